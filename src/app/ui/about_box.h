#pragma once
// The about box "О программе": the program picture, the version, the copyright, the support
// address and the e-mail address, and "OK". Created for each use and destroyed afterwards.

#include <QDialog>
#include <string>

class QLabel;

namespace kvx::app {

class TAboutBox : public QDialog {
    Q_OBJECT
public:
    /// Reads a value of the program's version data by name ("FileVersion", "Support", ...).
    using VersionLookup = std::string (*)(const std::string& name);

    explicit TAboutBox(QWidget* parent = nullptr, VersionLookup lookup = nullptr);

    /// The two values with a hand cursor; the one under the mouse is navy, the other blue.
    /// A value the build does not set has no line in the box (nullptr).
    QLabel* supportValue() const { return support_; }
    QLabel* emailValue() const { return email_; }
    /// Colour a value label is currently drawn in.
    static QColor valueColour(const QLabel* label);

    /// Creates the box, shows it modally and destroys it.
    static void showModal(QWidget* parent);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    void highlight(const QLabel* hovered);

    QLabel* support_ = nullptr;
    QLabel* email_ = nullptr;
};

}  // namespace kvx::app
