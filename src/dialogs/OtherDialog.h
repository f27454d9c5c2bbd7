#pragma once
#include <QDialog>
#include <QString>

#include <array>

#include "AppEnv.h"
#include "FormDialog.h"
#include "AppSlotsEditor.h"

class MainForm;
class ImageBox;
class TForm5;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

// Registration of the five applications. The dialog works on its own copy of
// the slots (AppSlotsEditor), which its rows mirror; the main window sees the
// rows only at "決定". It keeps selector, rows and pictures between openings.
class TForm4 : public FormDialog {
    Q_OBJECT
public:
    TForm4(MainForm& main, const AppEnv& env, QWidget* parent = nullptr);

    // The test-run dialog that "動作テスト" fills and shows.
    void setTestForm(TForm5* form) { m_form5 = form; }
    // The main window's part of opening: every row's title, path and option
    // from the main window's slots, and its picture from the slot's icon when
    // that is not empty.
    void copyFromMain();

    const AppSlotsEditor& editor() const { return m_editor; }

    // --- handlers
    void FormShow() override;
    void FormInit();
    void ChBoxChange();
    void Num1Click(int tag);
    void AppImg1Click(int tag);
    void LTitle1Click(int tag);   // title, path and option labels
    void GetImg(const QString& path);
    void ColorSet4();
    void FolderBtnClick();
    void EAppPathKeyPress(QChar key);
    void Button1Click();
    void Button2Click();
    void Button3Click();
    void Button4Click();
    void Button5Click();
    void ResetBtn1Click(int tag);

    // The file-open dialog's filter.
    static QString openFilter();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildLayout();
    void connectHandlers();
    // Selects item n (0: none) without running ChBoxChange, as a program does.
    void selectSlot(int n);
    void clearFields();
    // Puts the working copy into the rows and the preview.
    void showRows();

    // --- controls (names of the layout); rows are indexed 1..5
    QComboBox* ChBox = nullptr;
    ImageBox* AppImg = nullptr;
    QLabel *Label6 = nullptr, *Label7 = nullptr, *Label8 = nullptr;
    QLineEdit *ETitle = nullptr, *EOpt = nullptr, *EAppPath = nullptr;
    QToolButton* FolderBtn = nullptr;
    std::array<QLabel*, 6> Num{};
    std::array<ImageBox*, 6> AppImgN{};
    std::array<QLabel*, 6> LTitle{};
    std::array<QLabel*, 6> LAppPath{};
    std::array<QLabel*, 6> LOpt{};
    std::array<QPushButton*, 6> ResetBtn{};
    QPushButton *Button1 = nullptr, *Button2 = nullptr, *Button3 = nullptr, *Button4 = nullptr,
                *Button5 = nullptr;

    MainForm& m_main;
    AppEnv m_env;
    AppSlotsEditor m_editor;
    TForm5* m_form5 = nullptr;
};
