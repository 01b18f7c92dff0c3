#pragma once
// Pictures of the timing diagram for reports: the header strip with the column captions and
// the tact ruler above the diagram canvas, drawn by the same routines as the screen, written
// as PNG or SVG (through the picture device of svg_writer.h).

#include <QSize>
#include <string>

#include "diagram/diagram_view.h"
#include "diagram/ui/diagram_painter.h"
#include "model/test_document.h"

class QPainter;

namespace kvx::diagram {
class DiagramWidget;
}

namespace kvx::exchange::ui {

/// What a picture shows: a view of the diagram and the canvas size it is drawn at.
struct PictureArea {
    diagram::DiagramView view;
    QSize canvas;                   ///< the diagram canvas; the picture adds the header strip above
    diagram::PaintOptions options;
    /// The canvas the whole diagram would need, before it is cut to one point above the
    /// largest picture (the message about a picture too large names this size).
    long long wantedWidth = 0, wantedHeight = 0;
};

/// Every row and tact from the first, without the current cell.
PictureArea wholeDiagram(const model::TestDocument& doc, const diagram::DiagramView& view);
/// What the diagram area shows now, current cell included.
PictureArea visiblePart(const diagram::DiagramWidget& widget);

/// Size of the picture: the canvas and the header strip.
QSize pictureSize(const PictureArea& area);
/// Draws the picture with its top-left corner at the painter's origin.
void paintPicture(QPainter& p, const model::TestDocument& doc, const PictureArea& area);

/// Largest side of a picture in pixels.
inline constexpr int kMaxPictureSide = 32767;

/// Writes the picture to `path`, as SVG when the name ends in ".svg", else as PNG. An empty
/// text on success, else a Russian message.
std::string writePicture(const model::TestDocument& doc, const PictureArea& area, const std::string& path);

}  // namespace kvx::exchange::ui
