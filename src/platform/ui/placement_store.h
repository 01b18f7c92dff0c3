#pragma once
// Window placement kept between runs: an INI file named like the program with the extension
// ".ini" beside it (KVX_Edit.ini), or in the per-user config folder when the program's folder
// cannot be written. One section per window, holding the toolkit's own geometry record
// (position, size, maximised or minimised state).

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

namespace kvx::platform {

class PlacementStore : public QObject {
    Q_OBJECT
public:
    /// A store kept in `iniFile`.
    explicit PlacementStore(const QString& iniFile, QObject* parent = nullptr);

    /// The INI path for a program: beside it when its folder is writable, else in the
    /// per-user config folder.
    static QString defaultPath(const QString& programFolder, const QString& programBaseName);

    /// Restores the window's placement now, if one was saved under `name`, and, once the
    /// window has been shown, saves it whenever it is hidden or closed, and at saveAll().
    void track(QWidget* window, const QString& name);
    /// Restores the saved placement of `name`; false when there is none.
    bool restore(QWidget* window, const QString& name) const;
    /// Saves the window's current placement under `name`.
    void save(QWidget* window, const QString& name) const;
    /// Saves every tracked window that still exists.
    void saveAll() const;

    const QString& fileName() const { return file_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Tracked {
        QPointer<QWidget> window;
        QString name;
        bool shown = false;  ///< shown in this run: only then is its placement its own
    };
    QString file_;
    QList<Tracked> tracked_;
};

}  // namespace kvx::platform
