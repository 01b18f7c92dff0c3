#pragma once
// "Цвета ячеек": five colour swatches of the diagram, each opening the system colour chooser.
// The chosen colours reach the view only on "OK".

#include <QDialog>
#include <array>

#include "platform/prompter.h"
#include "diagram/diagram_view.h"

class QPushButton;

namespace kvx::diagram {

class TFColors : public QDialog {
    Q_OBJECT
public:
    /// Swatches in order: "Линия  I", "Линия  O", "Линия  O=F(c)", "Цвет Активной ячейки", "Цвет фона".
    static constexpr int kSwatches = 5;

    TFColors(const DiagramView& view, platform::Prompter& prompter, QWidget* parent = nullptr);

    /// Colour a swatch shows now.
    Rgb swatchColour(int i) const { return colours_[static_cast<size_t>(i)]; }
    QPushButton* swatch(int i) const { return swatches_[static_cast<size_t>(i)]; }
    QPushButton* okButton() const { return ok_; }
    QPushButton* cancelButton() const { return cancel_; }
    /// Copies the swatch colours into the view ("OK").
    void applyTo(DiagramView& view) const;

private:
    void chooseSwatch(int i);
    void showSwatch(int i);

    platform::Prompter& prompter_;
    std::array<Rgb, kSwatches> colours_{};
    std::array<QPushButton*, kSwatches> swatches_{};
    QPushButton* ok_ = nullptr;
    QPushButton* cancel_ = nullptr;
};

}  // namespace kvx::diagram
