#pragma once
#include "AppEnv.h"
#include "AppSlots.h"
#include "ExtensionTable.h"
#include "MainForm.h"
#include "MainSettings.h"
#include "MainState.h"
#include "SHBFFEX.h"
#include "TColor.h"
#include "WindowBounds.h"

#include <QFont>
#include <QMainWindow>

#include <array>
#include <memory>

class QAction;
class QCheckBox;
class QComboBox;
class QFrame;
class QItemSelectionModel;
class QLabel;
class QLineEdit;
class QListView;
class QMenu;
class QSplitter;
class QTimer;
class QToolButton;
class QWidget;

class FileListModel;
class FileListing;
class FindDialog;
class TextPane;
class TSHBrowseForFolderEx;
class TAboutBox;
class TForm2;
class TForm4;
class TForm6;
class TForm7;

// The main window. Its handlers are spread over several files by subject:
// Unit1.cpp (start-up, layout, main settings), Unit1State.cpp (the controls
// that mirror the window's state), Unit1List.cpp (folder and file list),
// Unit1Text.cpp (text view), Unit1Apps.cpp (registered applications, shell
// commands, help), Unit1Ext.cpp, Unit1Reg.cpp and Unit1Look.cpp (the menu
// handlers that open dialogs, colours). Its state lives in one MainState:
// handlers change it there and read it there, and the controls mirror it.
// Its controls are its own: no other window touches them, and tests find them
// by their names.
class TForm1 : public QMainWindow, public MainForm {
    Q_OBJECT
public:
    explicit TForm1(const AppEnv& env, QWidget* parent = nullptr);
    ~TForm1() override;

    const AppEnv& env() const { return m_env; }

    // The windows created after this one, which its menus show modally.
    struct Dialogs {
        TAboutBox* about = nullptr;
        TForm2* form2 = nullptr;
        TForm4* form4 = nullptr;
        TForm6* form6 = nullptr;
        TForm7* form7 = nullptr;
    };
    void setDialogs(const Dialogs& dialogs) { m_dialogs = dialogs; }

    // --- start-up, resize, close, main settings, colours
    void FormCreate();
    void FormSet();
    void FormClose();
    void LoadSet() override;
    void ColorSet() override;
    // The outer bounds the settings file gets at close.
    QRect outerBounds() const;
    int listWidth() const;

    // --- folder and file list
    // Starts a listing; the list fills in as its names arrive.
    void STItem();
    // A listing is under way.
    bool listing() const { return m_listingNow; }
    void Edit1KeyPress(QChar key);
    void FolderBtnClick();
    void FolderDlgSelectionChanged(TSHBrowseForFolderEx* sender, qintptr wnd, const QString& path,
                                   QString& showText, TOKButtonState& okButtonState);
    void ChBox1Change();
    void ChBox2Change();
    void TagsLoad() override;
    void TagsSet(int row);

    // --- text view
    void readfile();
    void PutCallet();
    void WWraps();
    void LViewChange();
    void REditSelectionChange();
    void N13Click();
    void N29Click();
    void L1Click();
    void N26Click();
    void C1Click();
    void N27Click();
    void S1Click();
    void Find1Click();
    void FindDlgFind();

    // --- registered applications, shell commands, help
    void LoadAppItem() override;
    void AppnExec(int slot);
    void AppExec(const QString& commandLine);
    void ExeSetApp(bool flag);
    void CheckBox1Click();
    void E1Click();
    void N19Click();
    void AppBtn1Click(int tag);
    void SApp5Click(int tag);
    void FApp5Click(int tag);
    void X1Click();
    void N16Click();
    void R1Click();
    void N17Click();
    void ReadmeR1Click();
    void His1Click();
    void ManualM1Click();
    void V1Click();
    void X2Click();

    // --- dialogs
    void E2Click();
    void N33Click();
    int F4Call();
    void X3Click();
    void N34Click();
    void C2Click();
    void N31Click();
    void F1Click();
    void N32Click();
    void ImportClick();

    // --- MainForm (what the dialogs use)
    QStringList categoryNames() const override { return m_state.categories(); }
    const PatternGrid& patternGrid() const override { return ExtGrid; }
    void selectFirstCategoryAndPattern() override { m_state.chooseFirstCategoryAndPattern(); }
    ViewColors viewColors() const override { return m_state.viewColors(); }
    void setViewColors(const ViewColors& colors) override { m_state.setViewColors(colors); }
    const AppSlots::Table& slotTable() const override { return Slots; }
    void confirmSlot(int n, const AppSlots::Slot& slot) override;
    void setDirectLaunchAvailable(bool available) override { m_state.setDirectAvailable(available); }

    // The window's state, which its controls mirror.
    const MainState& state() const { return m_state; }

    // Status bar panels 0..2. Panel 1 holds the name of the file on show: it
    // is kept as the file's own name (exact bytes, see FsPath) and shown as
    // the user reads it (ShownName); panelText(1) gives the name itself.
    QString panelText(int panel) const;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Unit1Names.cpp: names for screen readers, the keyboard way to the picker.
    void nameControls();
    void folderPickerKeys();
    // --- controls (names of the window layout)
    QWidget* Client = nullptr;
    QLineEdit* Edit1 = nullptr;
    QToolButton* FolderBtn = nullptr;
    QComboBox* ChBox1 = nullptr;
    QComboBox* ChBox2 = nullptr;
    std::array<QToolButton*, 6> AppBtn{};      // 1..5
    QCheckBox* CheckBox1 = nullptr;
    QFrame* Panel1 = nullptr;
    QSplitter* Splitter1 = nullptr;
    QListView* LView = nullptr;
    FileListModel* LViewModel = nullptr;
    int LViewTag = 0;                            // the list's Tag
    TextPane* REdit = nullptr;
    QWidget* StatusBar1 = nullptr;
    std::array<QLabel*, 3> StatusPanel{};

    // Menus
    QMenu* N1 = nullptr;
    QAction *X1 = nullptr, *R1 = nullptr, *E1 = nullptr, *N13 = nullptr, *L1 = nullptr, *C1 = nullptr,
            *S1 = nullptr, *Import = nullptr, *X2 = nullptr;
    QMenu *TX = nullptr, *N12 = nullptr, *N2 = nullptr, *HELP1 = nullptr;
    std::array<QAction*, 6> SApp{};
    QAction *C2 = nullptr, *F1 = nullptr, *E2 = nullptr, *X3 = nullptr;
    QAction *ReadmeR1 = nullptr, *His1 = nullptr, *ManualM1 = nullptr, *V1 = nullptr;
    QMenu* ViewMenu = nullptr;
    QAction *N16 = nullptr, *N17 = nullptr, *N19 = nullptr;
    std::array<QAction*, 6> FApp{};
    QMenu* txMenu = nullptr;
    QAction *N26 = nullptr, *N27 = nullptr, *Find1 = nullptr, *N29 = nullptr, *N31 = nullptr, *N32 = nullptr,
            *N33 = nullptr, *N34 = nullptr;

    TSHBrowseForFolderEx* FolderDlg = nullptr;
    FindDialog* FindDlg = nullptr;
    QFont FontDlgFont;                           // the font dialog's own font

    // Shared state of the unit.
    QString BaseTitle;
    QString StartFolder;
    QString ShownFile;                           // status panel 1's file name, as the file system has it
    PatternGrid ExtGrid;                         // the extension table's patterns (its names: m_state)
    AppSlots::Table Slots;                       // the five registered applications

    void setPanelText(int panel, const QString& text);
    void setCaption(const QString& caption);     // window caption and application title
    // Makes every selection change of LView run LViewChange. setModel() gives
    // the view a new selection model: this follows it (also by itself, once
    // the event loop runs after the change).
    void connectListSelection();
    // Widths of the window manager's frame (zero until it frames the window).
    QMargins frameWidths() const;
    void setOuterBounds(int left, int top, int width, int height);
    void setListWidth(int width);
    // Applies the outer bounds read under the frame known now.
    void applyBounds();
    // Notices the frame the window manager has put around the window.
    void followFrame();
    void setMinimumInner(const QMargins& frame);
    // Applies what a reading of the main settings got.
    void applySettings(const MainSettings::Read& read);
    // Shows slot n of the table on its button and both menu items.
    void showSlot(int n);
    void buildLayout();
    void buildMenus();
    // Set-up of each subject, called once from the constructor.
    void setupList();
    void listingFound(const QStringList& names);
    void fillList();
    void listingEnded(const QString& error);
    void setupText();
    void setupApps();
    // Binds the controls to m_state both ways; called first of the set-ups.
    void setupState();
    // A change a control reports goes to the state, guarded like a handler.
    template <class Sender, class Signal, class Setter>
    void toState(Sender* sender, Signal signal, Setter setter);
    bool textEventFilter(QObject* watched, QEvent* event);

    AppEnv m_env;
    Dialogs m_dialogs;
    MainState m_state;
    WindowBounds m_bounds;
    int m_listWidth = 88;
    bool m_inFormSet = false;
    bool m_shownOnce = false;
    // A close failed to write the settings and kept the window once.
    bool m_closeFailed = false;
    // The list's selection model whose changes show the selected file.
    QItemSelectionModel* m_listSelection = nullptr;
    QMetaObject::Connection m_listSelectionConnection;
    // The listing under way, and its number: what an older one still brings
    // is dropped.
    std::unique_ptr<FileListing> m_listing;
    quint64 m_listingId = 0;
    bool m_listingNow = false;
    // Batches that came while the list was taking one in wait for the next
    // turn of the event loop, one batch a turn, and so does the listing's end.
    QList<QStringList> m_listingBacklog;
    QTimer* m_fillTimer = nullptr;
    bool m_listingEndWaits = false;
    QString m_listingError;
};
