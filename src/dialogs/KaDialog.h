#pragma once
#include "AppEnv.h"
#include "ExtensionEditor.h"
#include "KaFixedDialog.h"

#include <array>
#include <functional>

class MainForm;
class QAction;
class QButtonGroup;
class QGroupBox;
class QLabel;
class QMenu;
class QPushButton;
class QRadioButton;
class KaListBox;
class TForm3;

// The extension settings dialog: categories and their patterns are edited on a
// working copy (ExtensionEditor), "設定の保存" writes exitem.cfg, and "閉じる"
// has the main window reload that file. The widgets mirror the working copy.
class TForm2 : public KaFixedDialog {
    Q_OBJECT
public:
    TForm2(MainForm& main, const AppEnv& env, QWidget* parent = nullptr);

    // The name input that add and change ask.
    void setNameInput(TForm3* form);
    TForm3* nameInput() const { return m_form3; }
    // Shows the prepared name input and returns when it was closed. Modal by
    // default; tests put an answering function (the user at the dialog) here.
    void setNameInputRunner(std::function<void(TForm3&)> runner) { m_runner = std::move(runner); }

    const ExtensionEditor& editor() const { return m_editor; }

    // --- operations
    void StDat();
    void L2Set(int row);
    void ListEna();
    void XAdd();
    void XChg();
    void XDel();
    void L2UpSlide(int p) { m_editor.L2UpSlide(p); }
    void L2DownSlide(int p) { m_editor.L2DownSlide(p); }
    void L2UD(int t) { m_editor.L2UD(t); }
    void L2DU(int t) { m_editor.L2DU(t); }
    void ColorSet2();
    void TagsSave();

    // --- handlers
    void FormCreate();
    void FormShow();
    void SelectsClick();
    void LBox1Click();
    void Button1Click(int tag);
    void PoAdd1Click() { XAdd(); }
    void PoAdd2Click() { XAdd(); }
    void PoChg1Click() { XChg(); }
    void PoChg2Click() { XChg(); }
    void PoDel1Click() { XDel(); }
    void PoDel2Click() { XDel(); }
    void LBox1MouseDown(Qt::MouseButton button, const QPoint& pos) { listMouseDown(LBox1, button, pos); }
    void LBox2MouseDown(Qt::MouseButton button, const QPoint& pos) { listMouseDown(LBox2, button, pos); }
    bool LBox1DragOver(QObject* source) const { return listDragOver(LBox1, source); }
    bool LBox2DragOver(QObject* source) const { return listDragOver(LBox2, source); }
    void LBox1DragDrop(QObject* source, const QPoint& pos);
    void LBox2DragDrop(QObject* source, const QPoint& pos);
    void LBox1EndDrag(bool overTarget) { listEndDrag(LBox1, overTarget); }
    void LBox2EndDrag(bool overTarget) { listEndDrag(LBox2, overTarget); }

protected:
    void showEvent(QShowEvent* event) override;
    void closeButtonClick() override;

private:
    // --- controls (names of the layout)
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    KaListBox* LBox1 = nullptr;
    KaListBox* LBox2 = nullptr;
    QGroupBox* Selects = nullptr;
    QButtonGroup* SelectsGroup = nullptr;
    std::array<QRadioButton*, 2> SelectsItems{};
    QPushButton* Button1 = nullptr;
    QPushButton* Button2 = nullptr;
    QPushButton* Button3 = nullptr;
    QPushButton* Button4 = nullptr;
    QPushButton* Button5 = nullptr;
    QMenu* PopupMenu1 = nullptr;
    QMenu* PopupMenu2 = nullptr;
    QAction *PoAdd1 = nullptr, *PoChg1 = nullptr, *PoDel1 = nullptr;
    QAction *PoAdd2 = nullptr, *PoChg2 = nullptr, *PoDel2 = nullptr;

    void buildLayout();
    // A list's pick (by click, key or screen reader) goes to the working copy;
    // then the list shows the copy's choice.
    void listPicked(KaListBox* box, int row);
    void showChoice(KaListBox* box);
    static int selectedRow(const KaListBox* box);
    void connectHandlers();
    // Puts the working copy into the widgets.
    void showLists();
    void showPatterns();
    void showAvailability();
    // Asks the name input with this caption and text; true when it was
    // closed with "決定". A change it answers is stored here.
    bool askName(const QString& caption, const QString& text);
    void storeCategoryName(const QString& name);
    void storePatternName(const QString& name);

    void listMouseDown(KaListBox* box, Qt::MouseButton button, const QPoint& pos);
    bool listDragOver(const KaListBox* box, const QObject* source) const;
    void listEndDrag(KaListBox* box, bool overTarget);
    KaListBox* listAt(const QPoint& globalPos) const;
    void dragMoved(KaListBox* source, const QPoint& globalPos);
    void dropped(KaListBox* source, const QPoint& globalPos);

    MainForm& m_main;
    AppEnv m_env;
    ExtensionEditor m_editor;
    TForm3* m_form3 = nullptr;
    std::function<void(TForm3&)> m_runner;
    bool m_showing = false;   // while the lists are set from the copy
};
