#pragma once
#include <QObject>
#include <QString>

#include <functional>

enum TSelectFolder { sfDesktop, sfManual, sfDrives, sfDesktopDir, sfFavorites, sfPrograms, sfRecent, sfSendTo,
                     sfStartMenu, sfStartup, sfTemplates };
enum TRootFolder { rfDesktop, rfManual, rfDrives, rfDesktopDir, rfFavorites, rfPrograms, rfRecent, rfSendTo,
                   rfStartMenu, rfStartup, rfTemplates };
enum TShowStyle { ssNone, ssCenterScreen, ssClient };
enum TOKButtonState { obsNone, obsEnabled, obsDisabled };

class QWidget;

// Folder picker component (first version: properties only).
class TSHBrowseForFolderEx : public QObject {
    Q_OBJECT
public:
    using TSHBrowseEvent = std::function<void(TSHBrowseForFolderEx* sender, qintptr wnd, const QString& path,
                                              QString& showText, TOKButtonState& okButtonState)>;
    explicit TSHBrowseForFolderEx(QWidget* owner);
    virtual bool Execute();

    TSelectFolder SelectFolder = sfDrives;
    QString SelectFolderName;
    QString Caption;
    TRootFolder RootFolder = rfDesktop;
    QString RootFolderName;
    TShowStyle ShowStyle = ssClient;
    TSHBrowseEvent OnSelectionChanged;

    QString FolderPath() const { return m_folderPath; }
    QString DisplayName() const { return m_displayName; }

private:
    QWidget* m_owner;
    QString m_folderPath;
    QString m_displayName;
};
