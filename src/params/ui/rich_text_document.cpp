#include "params/ui/rich_text_document.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFragment>
#include <cmath>

namespace kvx::params::ui {

namespace {

Qt::Alignment toQt(Alignment a) {
    switch (a) {
    case Alignment::Centre: return Qt::AlignHCenter;
    case Alignment::Right: return Qt::AlignRight;
    case Alignment::Justified: return Qt::AlignJustify;
    case Alignment::Left: break;
    }
    return Qt::AlignLeft;
}

Alignment fromQt(Qt::Alignment a) {
    if (a & Qt::AlignHCenter) return Alignment::Centre;
    if (a & Qt::AlignRight) return Alignment::Right;
    if (a & Qt::AlignJustify) return Alignment::Justified;
    return Alignment::Left;
}

}  // namespace

void fillDocument(QTextDocument& doc, const RichText& text) {
    doc.clear();
    QTextCursor cursor(&doc);
    cursor.beginEditBlock();
    bool first = true;
    for (const Paragraph& p : text.paragraphs) {
        QTextBlockFormat block;
        block.setAlignment(toQt(p.alignment));
        if (first) {
            cursor.setBlockFormat(block);
            first = false;
        } else {
            cursor.insertBlock(block);
        }
        for (const TextRun& r : p.runs) {
            QTextCharFormat f;
            f.setFontWeight(r.format.bold ? QFont::Bold : QFont::Normal);
            f.setFontItalic(r.format.italic);
            f.setFontUnderline(r.format.underline);
            if (r.format.halfPoints > 0) f.setFontPointSize(r.format.halfPoints / 2.0);
            if (r.format.colour) f.setForeground(QColor::fromRgb(*r.format.colour & 0xFFFFFFu));
            if (!r.format.font.empty()) f.setFontFamilies({QString::fromStdString(r.format.font)});
            QString t = QString::fromStdString(r.text);
            t.replace(QChar('\n'), QChar(QChar::LineSeparator));
            cursor.insertText(t, f);
        }
    }
    cursor.endEditBlock();
}

RichText fromDocument(const QTextDocument& doc) {
    RichText out;
    const QFont base = doc.defaultFont();
    const double basePoints = base.pointSizeF() > 0 ? base.pointSizeF() : 10.0;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
        Paragraph p;
        p.alignment = fromQt(b.blockFormat().alignment());
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment frag = it.fragment();
            if (!frag.isValid()) continue;
            const QTextCharFormat f = frag.charFormat();
            QString t = frag.text();
            t.replace(QChar(QChar::LineSeparator), QChar('\n'));
            t.remove(QChar(QChar::ObjectReplacementCharacter));  // pictures stay out of the comment
            TextRun run;
            run.text = t.toStdString();
            run.format.bold = f.fontWeight() >= QFont::DemiBold;
            run.format.italic = f.fontItalic();
            run.format.underline = f.fontUnderline();
            const double points = f.hasProperty(QTextFormat::FontPointSize) ? f.fontPointSize() : basePoints;
            run.format.halfPoints = static_cast<int>(std::lround(points * 2));
            if (f.foreground().style() != Qt::NoBrush)
                run.format.colour = static_cast<std::uint32_t>(f.foreground().color().rgb() & 0xFFFFFFu);
            const QStringList families = f.fontFamilies().toStringList();
            run.format.font = (families.isEmpty() ? base.family() : families.first()).toStdString();
            p.runs.push_back(std::move(run));
        }
        out.paragraphs.push_back(std::move(p));
    }
    return normalized(std::move(out));
}

}  // namespace kvx::params::ui
