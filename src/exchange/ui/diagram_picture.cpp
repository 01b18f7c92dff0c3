#include "exchange/ui/diagram_picture.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QScrollBar>

#include "diagram/ui/diagram_widget.h"
#include "exchange/ui/svg_writer.h"
#include "storage/file_replace.h"

namespace kvx::exchange::ui {

using diagram::kHeaderHeight;

PictureArea wholeDiagram(const model::TestDocument& doc, const diagram::DiagramView& view) {
    PictureArea a;
    a.view = view;
    a.view.tactOffset = 0;
    a.view.rowOffset = 0;
    a.view.currentColumn = 0;
    a.view.currentScreenRow = 0;
    a.view.currentRow = 0;
    const long long width = diagram::kFirstCellX + static_cast<long long>(doc.tactCount()) * view.cellWidth + 1;
    const long long height = static_cast<long long>(diagram::scrolledRowTotal(doc, view)) * view.rowHeight + 1;
    a.canvas = QSize(static_cast<int>(std::min<long long>(width, kMaxPictureSide + 1LL)),
                     static_cast<int>(std::min<long long>(height, kMaxPictureSide + 1LL)));
    a.wantedWidth = width;
    a.wantedHeight = height;
    return a;
}

PictureArea visiblePart(const diagram::DiagramWidget& widget) {
    PictureArea a;
    a.view = widget.view();
    a.canvas = QSize(widget.canvasWidth(), std::min(widget.areaHeight(), widget.canvasHeight()));
    a.options.verticalBarShown = !widget.verticalScrollBar()->isHidden();
    a.options.horizontalBarShown = !widget.horizontalScrollBar()->isHidden();
    return a;
}

QSize pictureSize(const PictureArea& area) { return area.canvas + QSize(0, kHeaderHeight); }

void paintPicture(QPainter& p, const model::TestDocument& doc, const PictureArea& area) {
    const QColor face = area.options.buttonFace.isValid() ? area.options.buttonFace : diagram::buttonFaceColour();
    const int width = area.canvas.width();
    p.save();
    p.setClipRect(0, 0, width, kHeaderHeight);
    p.fillRect(0, 0, width, kHeaderHeight, face);
    diagram::paintHeaderCaptions(p, kHeaderHeight, QGuiApplication::palette());
    p.translate(diagram::kFirstCellX, 0);
    p.setClipRect(0, 0, std::max(0, width - diagram::kFirstCellX), kHeaderHeight);
    diagram::paintTactRuler(p, doc, area.view, QSize(std::max(0, width - diagram::kFirstCellX), kHeaderHeight), face);
    p.restore();

    p.save();
    p.translate(0, kHeaderHeight);
    p.setClipRect(QRect(QPoint(0, 0), area.canvas));
    p.fillRect(QRect(QPoint(0, 0), area.canvas), diagram::toQColor(area.view.backgroundColour));
    diagram::paintDiagram(p, doc, area.view, area.canvas, area.options);
    p.restore();
}

std::string writePicture(const model::TestDocument& doc, const PictureArea& area, const std::string& path) {
    const QSize size = pictureSize(area);
    if (size.width() > kMaxPictureSide || size.height() > kMaxPictureSide)
        return "Рисунок " + std::to_string(std::max<long long>(area.wantedWidth, size.width())) + "x" +
               std::to_string(std::max<long long>(area.wantedHeight + kHeaderHeight, size.height())) +
               " слишком велик (не более " + std::to_string(kMaxPictureSide) +
               " точек по стороне); сохраните видимую часть диаграммы";
    if (size.isEmpty()) return "Рисунок пуст";
    const std::string failed = "Не удалось записать рисунок " + path;
    QByteArray bytes;
    if (QString::fromStdString(path).endsWith(QStringLiteral(".svg"), Qt::CaseInsensitive)) {
        SvgPicture svg(size, QString::fromStdString(doc.testName()), QStringLiteral("Редактор KVX"));
        QPainter p;
        if (!p.begin(&svg)) return failed;
        paintPicture(p, doc, area);
        p.end();
        bytes = svg.document();
    } else {
        QImage image(size, QImage::Format_RGB32);
        if (image.isNull()) return "Не хватает памяти для рисунка";
        {
            QPainter p(&image);
            paintPicture(p, doc, area);
        }
        QBuffer buffer(&bytes);
        if (!buffer.open(QIODevice::WriteOnly) || !image.save(&buffer, "PNG")) return failed;
    }
    // The file is replaced only once the whole picture is written.
    const storage::ReplaceResult written = storage::replaceFile(path, std::string_view(bytes.constData(), bytes.size()));
    if (!written) return storage::withReason(failed, written);
    return {};
}

}  // namespace kvx::exchange::ui
