#pragma once
// The controls of the dialogs, found by their names in the layouts.
#include "CFC.h"
#include "Controls.h"
#include "ColDlg.h"
#include "KaDialog.h"
#include "KaListBox.h"
#include "MyInputDialog.h"
#include "OtherDialog.h"
#include "OtherImage.h"
#include "testexe.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>

#include <array>

struct Form2Controls {
    explicit Form2Controls(const TForm2& f)
        : LBox1(named<KaListBox>(&f, "LBox1")), LBox2(named<KaListBox>(&f, "LBox2")),
          Button1(named<QPushButton>(&f, "Button1")), Button2(named<QPushButton>(&f, "Button2")),
          Button3(named<QPushButton>(&f, "Button3")), Button4(named<QPushButton>(&f, "Button4")),
          Button5(named<QPushButton>(&f, "Button5")), PoAdd1(named<QAction>(&f, "PoAdd1")),
          PoChg1(named<QAction>(&f, "PoChg1")), PoDel1(named<QAction>(&f, "PoDel1")),
          PoAdd2(named<QAction>(&f, "PoAdd2")), PoChg2(named<QAction>(&f, "PoChg2")),
          PoDel2(named<QAction>(&f, "PoDel2"))
    {
        const QList<QRadioButton*> items = named<QGroupBox>(&f, "Selects")->findChildren<QRadioButton*>();
        for (int i = 0; i < 2 && i < items.size(); ++i) SelectsItems[i] = items[i];
    }
    KaListBox *LBox1, *LBox2;
    QPushButton *Button1, *Button2, *Button3, *Button4, *Button5;
    QAction *PoAdd1, *PoChg1, *PoDel1, *PoAdd2, *PoChg2, *PoDel2;
    std::array<QRadioButton*, 2> SelectsItems{};   // "種別", "拡張子"
};
inline Form2Controls ui(const TForm2& f) { return Form2Controls(f); }

struct Form3Controls {
    explicit Form3Controls(const TForm3& f)
        : Button1(named<QPushButton>(&f, "Button1")), Button2(named<QPushButton>(&f, "Button2")),
          Edit1(named<QLineEdit>(&f, "Edit1"))
    {
    }
    QPushButton *Button1, *Button2;
    QLineEdit* Edit1;
};
inline Form3Controls ui(const TForm3& f) { return Form3Controls(f); }

struct Form4Controls {
    explicit Form4Controls(const TForm4& f)
        : ChBox(named<QComboBox>(&f, "ChBox")), AppImg(named<ImageBox>(&f, "AppImg")),
          ETitle(named<QLineEdit>(&f, "ETitle")), EOpt(named<QLineEdit>(&f, "EOpt")),
          EAppPath(named<QLineEdit>(&f, "EAppPath")), FolderBtn(named<QToolButton>(&f, "FolderBtn")),
          Button1(named<QPushButton>(&f, "Button1")), Button2(named<QPushButton>(&f, "Button2")),
          Button3(named<QPushButton>(&f, "Button3")), Button4(named<QPushButton>(&f, "Button4")),
          Button5(named<QPushButton>(&f, "Button5"))
    {
        for (int n = 1; n <= 5; ++n) {
            Num[n] = slotControl<QLabel>(&f, "Num", n);
            AppImgN[n] = slotControl<ImageBox>(&f, "AppImg", n);
            LTitle[n] = slotControl<QLabel>(&f, "LTitle", n);
            LAppPath[n] = slotControl<QLabel>(&f, "LAppPath", n);
            LOpt[n] = slotControl<QLabel>(&f, "LOpt", n);
            ResetBtn[n] = slotControl<QPushButton>(&f, "ResetBtn", n);
        }
    }
    QComboBox* ChBox;
    ImageBox* AppImg;
    QLineEdit *ETitle, *EOpt, *EAppPath;
    QToolButton* FolderBtn;
    QPushButton *Button1, *Button2, *Button3, *Button4, *Button5;
    std::array<QLabel*, 6> Num{};
    std::array<ImageBox*, 6> AppImgN{};
    std::array<QLabel*, 6> LTitle{};
    std::array<QLabel*, 6> LAppPath{};
    std::array<QLabel*, 6> LOpt{};
    std::array<QPushButton*, 6> ResetBtn{};
};
inline Form4Controls ui(const TForm4& f) { return Form4Controls(f); }

struct Form5Controls {
    explicit Form5Controls(const TForm5& f)
        : AppImg(named<ImageBox>(&f, "AppImg")), Ltitle(named<QLabel>(&f, "Ltitle")),
          LPath(named<QLabel>(&f, "LPath")), LOpt(named<QLabel>(&f, "LOpt")), Label4(named<QLabel>(&f, "Label4")),
          Edit1(named<QLineEdit>(&f, "Edit1")), FolderBtn(named<QToolButton>(&f, "FolderBtn")),
          Button1(named<QPushButton>(&f, "Button1")), Button2(named<QPushButton>(&f, "Button2"))
    {
    }
    ImageBox* AppImg;
    QLabel *Ltitle, *LPath, *LOpt, *Label4;
    QLineEdit* Edit1;
    QToolButton* FolderBtn;
    QPushButton *Button1, *Button2;
};
inline Form5Controls ui(const TForm5& f) { return Form5Controls(f); }

struct Form6Controls {
    explicit Form6Controls(const TForm6& f)
        : Label1(named<QLabel>(&f, "Label1")), Button1(named<QPushButton>(&f, "Button1")),
          Button2(named<QPushButton>(&f, "Button2")), Button3(named<QPushButton>(&f, "Button3")),
          Button4(named<QPushButton>(&f, "Button4"))
    {
    }
    QLabel* Label1;
    QPushButton *Button1, *Button2, *Button3, *Button4;
};
inline Form6Controls ui(const TForm6& f) { return Form6Controls(f); }

struct Form7Controls {
    explicit Form7Controls(const TForm7& f)
        : Chex1(named<QCheckBox>(&f, "Chex1")), Button1(named<QPushButton>(&f, "Button1")),
          Button2(named<QPushButton>(&f, "Button2"))
    {
    }
    QCheckBox* Chex1;
    QPushButton *Button1, *Button2;
};
inline Form7Controls ui(const TForm7& f) { return Form7Controls(f); }
