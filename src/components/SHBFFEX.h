#pragma once
#include "FolderPicker.h"
#include "FolderTree.h"

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QString>

#include <exception>
#include <functional>
#include <initializer_list>
#include <optional>

enum TSelectFolder { sfDesktop, sfManual, sfDrives, sfDesktopDir, sfFavorites, sfPrograms, sfRecent, sfSendTo,
                     sfStartMenu, sfStartup, sfTemplates };
enum TRootFolder { rfDesktop, rfManual, rfDrives, rfDesktopDir, rfFavorites, rfPrograms, rfRecent, rfSendTo,
                   rfStartMenu, rfStartup, rfTemplates };
enum TShowStyle { ssNone, ssCenterScreen, ssClient };
enum TOKButtonState { obsNone, obsEnabled, obsDisabled };
enum TSHBrowseOption { sboDontGoBelowDomain, sboReturnFSAncestors, sboReturnOnlyFSDirs, sboStatusTextAndShowPath,
                       sboStatusText };

// A set of TSHBrowseOption: bit n stands for the option of value n.
class TSHBrowseOptions {
public:
    constexpr TSHBrowseOptions() = default;
    constexpr TSHBrowseOptions(std::initializer_list<TSHBrowseOption> options)
    {
        for (TSHBrowseOption o : options) m_bits |= static_cast<unsigned char>(1u << o);
    }
    constexpr bool contains(TSHBrowseOption o) const { return (m_bits >> o) & 1u; }
    constexpr void insert(TSHBrowseOption o) { m_bits |= static_cast<unsigned char>(1u << o); }
    constexpr void remove(TSHBrowseOption o) { m_bits &= static_cast<unsigned char>(~(1u << o)); }
    constexpr unsigned char bits() const { return m_bits; }
    constexpr bool operator==(const TSHBrowseOptions&) const = default;

private:
    unsigned char m_bits = 0;
};


// The folder picker component. Its properties take effect at the next Execute
// (also when they are set from the event while the picker is open). While the
// picker is open, every change of its selection raises OnSelectionChanged,
// through which the owner sees the folder and may set the picker's status line
// and enable or disable its OK button.
class TSHBrowseForFolderEx : public QObject {
    Q_OBJECT
public:
    // `wnd` is the picker window (a FolderPickerWindow*); `path` the selected
    // item's file-system path, empty for an item without one; the handler may
    // change `showText` (the status line) and `okButtonState`.
    using TSHBrowseEvent = std::function<void(TSHBrowseForFolderEx* sender, qintptr wnd, const QString& path,
                                              QString& showText, TOKButtonState& okButtonState)>;

    // Browse flags and the picker's messages to the callback.
    enum : unsigned { BifReturnOnlyFsDirs = 1, BifDontGoBelowDomain = 2, BifStatusText = 4, BifReturnFsAncestors = 8 };
    enum Message { BffmInitialized = 1, BffmSelChanged = 2 };

    explicit TSHBrowseForFolderEx(QObject* owner);
    ~TSHBrowseForFolderEx() override;

    // Shows the picker and returns once the user has confirmed (true) or
    // cancelled (false); the rest of the program keeps running meanwhile. Called
    // again while the picker is open, it only brings the picker to the front
    // and returns false at once.
    virtual bool Execute();
    virtual void DoSelectionChanged(qintptr wnd, const QString& path, QString& showText,
                                    TOKButtonState& okButtonState);

    TSelectFolder SelectFolder = sfDrives;
    QString SelectFolderName;
    QString Caption;
    TSHBrowseOptions Options{sboReturnOnlyFSDirs};
    TSHBrowseEvent OnSelectionChanged;
    TRootFolder RootFolder = rfDesktop;
    QString RootFolderName;
    TShowStyle ShowStyle = ssClient;

    QString FolderPath() const { return m_folderPath; }
    QString DisplayName() const { return m_displayName; }

    // The open picker, or null.
    FolderPickerWindow* pickerWindow() const { return m_picker.data(); }

    // The browse flags of a set of options, in the order of the options; the
    // walk ends at sboStatusTextAndShowPath, which also asks for the path to
    // be shown in the status line.
    static unsigned browseFlags(TSHBrowseOptions options, bool* showPath);
    // The item of a folder kind (an ordinal of TSelectFolder / TRootFolder) and
    // a path used by the manual kind; none when there is no such folder.
    static std::optional<ShellItem> folderItem(int kind, const QString& name);
    // Top-left corner that centres a window in the work area, horizontally
    // and vertically, measured from the screen origin.
    static QPoint centreInWorkArea(const QRect& window, const QRect& workArea);

protected:
    // Called by the picker once when it has been set up (no item) and once per
    // selection change (the new item).
    void BrowseCallback(FolderPickerWindow* wnd, Message message, const ShellItem* item);

private:
    void place(FolderPickerWindow* wnd);

    QString m_folderPath;
    QString m_displayName;
    std::optional<ShellItem> m_startItem;   // exists only while Execute runs
    bool m_showPath = false;
    bool m_initialising = false;
    bool m_ownerFormExists = false;
    QPointer<FolderPickerWindow> m_picker;
    std::exception_ptr m_pendingError;
};
