#pragma once
#include <QDialog>
#include <QImage>

#include "AppEnv.h"
#include "FormDialog.h"
#include "AppSlots.h"

class MainForm;
class ImageBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

// Tries one row of the registration dialog on a chosen file. The registration
// dialog hands it the row before each showing; the target file stays between
// showings.
class TForm5 : public FormDialog {
    Q_OBJECT
public:
    TForm5(MainForm& main, const AppEnv& env, QWidget* parent = nullptr);

    // The row to try: its title, path and option, and its picture drawn over
    // the button face.
    void showRow(const AppSlots::Row& row, const QImage& picture);

    // --- handlers
    void FormShow() override;
    void FolderBtnClick();
    void Edit1KeyPress(QChar key);
    void Button1Click();
    void Button2Click();

    // The command line "テスト実行" starts.
    QString commandLine() const;

private:
    // --- controls (names of the layout)
    ImageBox* AppImg = nullptr;
    QLabel *Label1 = nullptr, *Ltitle = nullptr;
    QLabel *Label2 = nullptr, *LPath = nullptr;
    QLabel *Label3 = nullptr, *LOpt = nullptr;
    QLabel* Label4 = nullptr;
    QLineEdit* Edit1 = nullptr;
    QToolButton* FolderBtn = nullptr;
    QPushButton *Button1 = nullptr, *Button2 = nullptr;

    MainForm& m_main;
    AppEnv m_env;
    AppSlots::Row m_row;
    QImage m_picture;
};
