#include "vectors/ui/vector_database.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QXmlStreamReader>
#include <algorithm>
#include <filesystem>

#include "storage/file_path.h"

namespace kvx::vectors::ui {

namespace {

std::string utf8(QStringView s) { return s.toString().toStdString(); }

/// Adds the vector text of one <vector> element, which starts at `line`, `column`.
void addVector(Chip& chip, int declaredPins, std::string_view text, int line, int column) {
    std::string cells;
    int firstLine = 0;
    while (true) {
        const std::size_t end = text.find('\n');
        int at = 0;
        if (appendVector(text.substr(0, end), cells, at) < 0) {
            chip.error = atLine(line, at + column) + unknownCharacter(text.substr(0, end), at);
            return;
        }
        if (!cells.empty() && !firstLine) firstLine = line;
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + 1);
        ++line;
        column = 0;
    }
    if (cells.empty()) return;
    const int n = static_cast<int>(cells.size());
    const int pins = declaredPins > 0 ? declaredPins : chip.pins;
    if (pins == 0) {
        chip.pins = n;
    } else if (n != pins) {
        chip.error = atLine(firstLine) + "в векторе " + std::to_string(n) + " символов, а " +
                     (declaredPins > 0 ? "у микросхемы pins=" : "в первом векторе ") + std::to_string(pins);
        return;
    }
    chip.pins = pins;
    chip.cells += cells;
    chip.lines.push_back(firstLine);
}

}  // namespace

namespace {

std::optional<std::vector<Chip>> parse(QXmlStreamReader& x, std::string& error) {
    std::vector<Chip> chips;
    Chip* chip = nullptr;
    int declaredPins = 0;
    while (!x.atEnd()) {
        const auto token = x.readNext();
        if (token == QXmlStreamReader::StartElement && x.name() == u"ic") {
            chip = &chips.emplace_back();
            chip->line = static_cast<int>(x.lineNumber());
            const auto attributes = x.attributes();
            for (const auto& part : attributes.value(QLatin1String("name")).split(u',')) {
                const QString name = part.trimmed().toString();
                if (!name.isEmpty()) chip->names.push_back(name.toStdString());
            }
            if (chip->names.empty()) chip->names.push_back("?");
            declaredPins = 0;
            if (attributes.hasAttribute(QLatin1String("pins"))) {
                bool ok = false;
                declaredPins = attributes.value(QLatin1String("pins")).toInt(&ok);
                if (!ok || declaredPins <= 0) {
                    chip->error = atLine(chip->line) + "число выводов pins=\"" + utf8(attributes.value(QLatin1String("pins"))) +
                                  "\" не читается";
                    declaredPins = 0;
                }
            }
        } else if (token == QXmlStreamReader::StartElement && x.name() == u"vector" && chip) {
            const int line = static_cast<int>(x.lineNumber());
            const int column = static_cast<int>(x.columnNumber());
            const std::string vector = x.readElementText(QXmlStreamReader::SkipChildElements).toStdString();
            if (chip->error.empty()) addVector(*chip, declaredPins, vector, line, column);
        } else if (token == QXmlStreamReader::EndElement && x.name() == u"ic" && chip) {
            if (chip->error.empty() && chip->vectorCount() == 0)
                chip->error = atLine(chip->line) + "у микросхемы " + chip->allNames() + " нет векторов";
            if (!chip->error.empty()) {
                chip->cells.clear();
                chip->cells.shrink_to_fit();
                chip->lines.clear();
                if (chip->pins == 0) chip->pins = declaredPins;
            }
            chip = nullptr;
        }
    }
    if (x.hasError()) {
        error = atLine(static_cast<int>(x.lineNumber()), static_cast<int>(x.columnNumber())) +
                (x.error() == QXmlStreamReader::PrematureEndOfDocumentError ? "файл XML обрывается: разметка не закончена"
                                                                             : "файл XML испорчен: разметка нарушена");
        return std::nullopt;
    }
    if (chips.empty()) {
        error = "в базе нет ни одной микросхемы (элементов ic)";
        return std::nullopt;
    }
    return chips;
}

}  // namespace

std::optional<std::vector<Chip>> parseDatabase(std::string_view text, std::string& error) {
    QXmlStreamReader x(QByteArray::fromRawData(text.data(), static_cast<qsizetype>(text.size())));
    return parse(x, error);
}

std::optional<std::vector<Chip>> readSource(const std::string& path, std::string& error) {
    // A database is read as a stream from the file; the other sources are small.
    QFile file(QString::fromStdString(path));
    std::error_code ec;
    const auto size = std::filesystem::file_size(storage::pathFromUtf8(path), ec);
    if (!ec && size <= kMaxSourceBytes && file.open(QIODevice::ReadOnly) &&
        looksLikeDatabase(file.peek(4096).toStdString())) {
        QXmlStreamReader x(&file);
        auto chips = parse(x, error);
        if (!chips) error = "Файл " + path + ": " + error;
        return chips;
    }
    file.close();
    const auto text = readSourceFile(path, error);
    if (!text) return std::nullopt;
    std::optional<std::vector<Chip>> chips;
    if (looksLikeDatabase(*text)) {
        chips = parseDatabase(*text, error);
    } else {
        auto chip = readChipFile(*text, path, error);
        if (chip) chips = std::vector<Chip>{std::move(*chip)};
    }
    if (!chips) error = "Файл " + path + ": " + error;
    return chips;
}

}  // namespace kvx::vectors::ui
