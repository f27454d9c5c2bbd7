#pragma once
// The main window's controls and the windows it shows, found by their names.
#include "DialogControls.h"
#include "FileListModel.h"
#include "FindDialog.h"
#include "SHBFFEX.h"
#include "TextPane.h"
#include "Unit1.h"
#include "VarBox.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QToolButton>

#include <array>

struct MainControls {
    explicit MainControls(const TForm1& f)
        : Edit1(named<QLineEdit>(&f, "Edit1")), FolderBtn(named<QToolButton>(&f, "FolderBtn")),
          ChBox1(named<QComboBox>(&f, "ChBox1")), ChBox2(named<QComboBox>(&f, "ChBox2")),
          CheckBox1(named<QCheckBox>(&f, "CheckBox1")), LView(named<QListView>(&f, "LView")),
          REdit(named<TextPane>(&f, "REdit")), E1(named<QAction>(&f, "E1")), N13(named<QAction>(&f, "N13")),
          N29(named<QAction>(&f, "N29")), N19(named<QAction>(&f, "N19")), X1(named<QAction>(&f, "X1")),
          R1(named<QAction>(&f, "R1")), N16(named<QAction>(&f, "N16")), N17(named<QAction>(&f, "N17")),
          C1(named<QAction>(&f, "C1")), X2(named<QAction>(&f, "X2")), X3(named<QAction>(&f, "X3")),
          E2(named<QAction>(&f, "E2")), N34(named<QAction>(&f, "N34")), ReadmeR1(named<QAction>(&f, "ReadmeR1")),
          His1(named<QAction>(&f, "His1")), ManualM1(named<QAction>(&f, "ManualM1")),
          V1(named<QAction>(&f, "V1")), L1(named<QAction>(&f, "L1")), N26(named<QAction>(&f, "N26")),
          S1(named<QAction>(&f, "S1")), Find1(named<QAction>(&f, "Find1")), ViewMenu(named<QMenu>(&f, "ViewMenu")),
          txMenu(named<QMenu>(&f, "txMenu")), FolderDlg(named<TSHBrowseForFolderEx>(&f, "FolderDlg")),
          FindDlg(named<FindDialog>(&f, "FindDlg")),
          LViewModel(qobject_cast<FileListModel*>(LView->model())),
          StatusPanel(named<QWidget>(&f, "StatusBar1")->findChildren<QLabel*>()),
          AboutBox(f.findChild<TAboutBox*>()), Form2(f.findChild<TForm2*>()), Form3(f.findChild<TForm3*>()),
          Form4(f.findChild<TForm4*>()), Form5(f.findChild<TForm5*>()), Form6(f.findChild<TForm6*>()),
          Form7(f.findChild<TForm7*>())
    {
        for (int n = 1; n <= 5; ++n) {
            AppBtn[n] = slotControl<QToolButton>(&f, "AppBtn", n);
            SApp[n] = slotControl<QAction>(&f, "SApp", n);
            FApp[n] = slotControl<QAction>(&f, "FApp", n);
        }
    }
    QLineEdit* Edit1;
    QToolButton* FolderBtn;
    QComboBox *ChBox1, *ChBox2;
    QCheckBox* CheckBox1;
    QListView* LView;
    TextPane* REdit;
    QAction *E1, *N13, *N29, *N19, *X1, *R1, *N16, *N17, *C1, *X2, *X3, *E2, *N34, *ReadmeR1, *His1, *ManualM1, *V1, *L1, *N26,
        *S1, *Find1;
    QMenu *ViewMenu, *txMenu;
    TSHBrowseForFolderEx* FolderDlg;
    FindDialog* FindDlg;
    FileListModel* LViewModel;     // null while the list shows another model
    QList<QLabel*> StatusPanel;    // panels 0..2
    std::array<QToolButton*, 6> AppBtn{};
    std::array<QAction*, 6> SApp{};
    std::array<QAction*, 6> FApp{};
    // The windows created after the main window (null until they are).
    TAboutBox* AboutBox;
    TForm2* Form2;
    TForm3* Form3;
    TForm4* Form4;
    TForm5* Form5;
    TForm6* Form6;
    TForm7* Form7;
};
inline MainControls ui(const TForm1& f) { return MainControls(f); }

// The list holds `names`, as a listing of `folder` leaves it, and the user
// picks `name` in it.
inline void pickInList(TForm1& f, const QString& folder, const QStringList& names, const QString& name)
{
    const MainControls c(f);
    c.LViewModel->setFiles(folder, names, c.LView->fontMetrics());
    c.LView->selectionModel()->setCurrentIndex(c.LViewModel->index(int(names.indexOf(name))),
                                               QItemSelectionModel::ClearAndSelect);
}

// The same after the path field was set to the folder.
inline void pickListed(TForm1& f, const QString& folder, const QStringList& names, const QString& name)
{
    ui(f).Edit1->setText(folder);
    pickInList(f, folder, names, name);
}
inline void pickListed(TForm1& f, const QString& folder, const QString& name)
{
    pickListed(f, folder, QStringList{name}, name);
}
