#pragma once
// A paint device that keeps what a QPainter draws on it as an SVG document, so that the
// diagram's own painting routines give the vector picture with nothing beyond Qt's base
// modules. One unit of the picture is one pixel of the same drawing on a QImage: drawing
// without antialiasing keeps to whole pixels as the raster engine does, clipping becomes
// clip paths, the painter's transform is applied to every element, text stays text (its
// family, size, weight and colour, at its baseline), pattern brushes become SVG patterns
// aligned as on the screen, and pictures are embedded as PNG. Gradients are left to QPainter,
// which hands them over as pictures.

#include <QByteArray>
#include <QPaintDevice>
#include <QSize>
#include <QString>
#include <memory>

namespace kvx::exchange::ui {

class SvgPaintEngine;

class SvgPicture : public QPaintDevice {
public:
    /// A picture of `size` pixels; `title` and `description` go into its <title> and <desc>.
    SvgPicture(QSize size, const QString& title, const QString& description);
    ~SvgPicture() override;
    SvgPicture(const SvgPicture&) = delete;
    SvgPicture& operator=(const SvgPicture&) = delete;

    QPaintEngine* paintEngine() const override;
    /// The whole document in UTF-8; complete once the painter has ended.
    QByteArray document() const;

protected:
    int metric(PaintDeviceMetric metric) const override;

private:
    QSize size_;
    std::unique_ptr<SvgPaintEngine> engine_;
};

}  // namespace kvx::exchange::ui
