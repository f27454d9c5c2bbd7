#include "OtherDialog.h"

#include "AccessibleNames.h"
#include "CommonDialogs.h"
#include "DialogFrame.h"
#include "FolderButton.h"
#include "FsPath.h"
#include "Guard.h"
#include "LineBuffer.h"
#include "MainForm.h"
#include "Messages.h"
#include "OneLine.h"
#include "OtherImage.h"
#include "Platform.h"
#include "ViewColours.h"
#include "testexe.h"

#include <QComboBox>
#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QToolButton>

namespace {
constexpr int kWidth = 465;
constexpr int kHeight = 217;
constexpr int kRowTop = 58;
constexpr int kRowStep = 24;

// A row's label: sunken like a field, with its slot's number as Tag.
QLabel* rowLabel(const char* name, int tag, QWidget* parent, const QRect& geometry)
{
    QLabel* l = DialogFrame::fieldLabel(QString::fromLatin1(name).arg(tag), parent, geometry);
    l->setProperty("Tag", tag);
    l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    l->setLineWidth(1);
    return l;
}

} // namespace

TForm4::TForm4(MainForm& main, const AppEnv& env, QWidget* parent)
    : FormDialog(env.messages, parent), m_main(main), m_env(env)
{
    setObjectName(QStringLiteral("Form4"));
    setWindowTitle(QStringLiteral("外部起動アプリの登録"));
    DialogFrame::setUp(this, kWidth, kHeight);
    buildLayout();
    connectHandlers();
}

void TForm4::buildLayout()
{
    ChBox = new QComboBox(this);
    ChBox->setObjectName(QStringLiteral("ChBox"));
    ChBox->setEditable(true);
    ChBox->setInsertPolicy(QComboBox::NoInsert);
    ChBox->setCompleter(nullptr);
    for (int n = 1; n <= AppSlots::Count; ++n) ChBox->addItem(QString::number(n));
    ChBox->setCurrentIndex(-1);
    ChBox->setGeometry(8, 6, 42, 20);
    ChBox->setToolTip(QStringLiteral("ここで設定したいアイテムの番号を選択してください。"));

    AppImg = new ImageBox(this);
    AppImg->setObjectName(QStringLiteral("AppImg"));
    AppImg->move(56, 8);

    Label6 = DialogFrame::plainLabel(QStringLiteral("Title:"), QStringLiteral("Label6"), this, QRect(80, 9, 34, 14));
    ETitle = new QLineEdit(this);
    ETitle->setObjectName(QStringLiteral("ETitle"));
    ETitle->setGeometry(114, 6, 148, 20);
    Label7 = DialogFrame::plainLabel(QStringLiteral("Option:"), QStringLiteral("Label7"), this, QRect(267, 9, 48, 14));
    EOpt = new QLineEdit(this);
    EOpt->setObjectName(QStringLiteral("EOpt"));
    EOpt->setGeometry(316, 6, 141, 20);

    Label8 = DialogFrame::plainLabel(QStringLiteral("Path:"), QStringLiteral("Label8"), this, QRect(8, 35, 32, 14));
    EAppPath = new QLineEdit(this);
    EAppPath->setObjectName(QStringLiteral("EAppPath"));
    EAppPath->setGeometry(42, 32, 391, 20);
    // Each value is one line of appitems.cfg.
    for (QLineEdit* field : {ETitle, EOpt, EAppPath}) OneLine::keep(field, m_env.messages, LineBuffer::MaxLineBytes);
    // The fields are named by the captions beside them, the rest by what they are for.
    AccessibleNames::nameAfter(Label6, ETitle);
    AccessibleNames::nameAfter(Label7, EOpt);
    AccessibleNames::nameAfter(Label8, EAppPath);
    AccessibleNames::name(ChBox, QStringLiteral("アイテムの番号"));
    AccessibleNames::name(AppImg, QStringLiteral("選択中のアイテムのアイコン"));
    FolderBtn = folderButton(this, QRect(437, 32, 20, 20),
                             QStringLiteral("外部起動アプリへのパスを指定するダイアログボックスを開きます。"));
    AccessibleNames::name(FolderBtn, QStringLiteral("外部起動アプリへのパスを指定"));

    for (int n = 1; n <= AppSlots::Count; ++n) {
        const int y = kRowTop + kRowStep * (n - 1);
        Num[n] = DialogFrame::plainLabel(QString::number(n), QStringLiteral("Num%1").arg(n), this,
                                         QRect(8, y + 2, 10, 16));
        Num[n]->setProperty("Tag", n);
        AppImgN[n] = new ImageBox(this);
        AppImgN[n]->setObjectName(QStringLiteral("AppImg%1").arg(n));
        AppImgN[n]->setProperty("Tag", n);
        AppImgN[n]->move(20, y + 1);
        LTitle[n] = rowLabel("LTitle%1", n, this, QRect(42, y, 106, 19));
        LAppPath[n] = rowLabel("LAppPath%1", n, this, QRect(151, y, 196, 19));
        LOpt[n] = rowLabel("LOpt%1", n, this, QRect(350, y, 58, 19));
        ResetBtn[n] = DialogFrame::plainButton(QStringLiteral("Reset"), "", this, QRect(411, y - 1, 46, 21));
        ResetBtn[n]->setObjectName(QStringLiteral("ResetBtn%1").arg(n));
        ResetBtn[n]->setProperty("Tag", n);
        // Five buttons of one caption, told apart by their slot.
        AccessibleNames::name(ResetBtn[n], QStringLiteral("Reset %1").arg(n));
        AccessibleNames::name(AppImgN[n], QStringLiteral("アイテム %1 のアイコン").arg(n));
        for (QWidget* w : {static_cast<QWidget*>(Num[n]), static_cast<QWidget*>(AppImgN[n]),
                           static_cast<QWidget*>(LTitle[n]), static_cast<QWidget*>(LAppPath[n]),
                           static_cast<QWidget*>(LOpt[n])})
            w->installEventFilter(this);
    }

    const int by = kHeight - 30;
    Button1 = DialogFrame::plainButton(QStringLiteral("仮登録"), "Button1", this, QRect(8, by, 75, 24));
    Button2 = DialogFrame::plainButton(QStringLiteral("動作テスト"), "Button2", this, QRect(87, by, 75, 24));
    Button3 = DialogFrame::plainButton(QStringLiteral("設定の保存"), "Button3", this, QRect(166, by, 75, 24));
    Button4 = DialogFrame::plainButton(QStringLiteral("決定"), "Button4", this, QRect(303, by, 75, 24));
    Button5 = DialogFrame::plainButton(QStringLiteral("キャンセル"), "Button5", this, QRect(382, by, 75, 24));

    QWidget* order[] = {ChBox,   ETitle,  EOpt,    EAppPath, Button1,
                        Button2, Button3, Button4, Button5};
    QWidget* prev = nullptr;
    for (QWidget* w : order) {
        if (prev) setTabOrder(prev, w);
        prev = w;
    }
    for (int n = 1; n <= AppSlots::Count; ++n) {
        setTabOrder(prev, ResetBtn[n]);
        prev = ResetBtn[n];
    }
}

void TForm4::connectHandlers()
{
    Messages& messages = m_env.messages;
    // A pick from the list selects its item; typing leaves no item selected.
    // Programmatic selection raises neither signal.
    connectGuarded(ChBox, &QComboBox::activated, this, messages, [this](int index) {
        m_editor.select(index + 1);
        ChBoxChange();
    });
    connectGuarded(ChBox->lineEdit(), &QLineEdit::textEdited, this, messages, [this](const QString& text) {
        ChBox->blockSignals(true);
        ChBox->setCurrentIndex(-1);
        ChBox->setEditText(text);
        ChBox->blockSignals(false);
        m_editor.select(0);
        ChBoxChange();
    });
    connectGuarded(FolderBtn, &QToolButton::clicked, this, messages, &TForm4::FolderBtnClick);
    connectGuarded(EAppPath, &QLineEdit::returnPressed, this, messages, [this] { EAppPathKeyPress(QChar(13)); });
    connectGuarded(Button1, &QPushButton::clicked, this, messages, &TForm4::Button1Click);
    connectGuarded(Button2, &QPushButton::clicked, this, messages, &TForm4::Button2Click);
    connectGuarded(Button3, &QPushButton::clicked, this, messages, &TForm4::Button3Click);
    connectGuarded(Button4, &QPushButton::clicked, this, messages, &TForm4::Button4Click);
    connectGuarded(Button5, &QPushButton::clicked, this, messages, &TForm4::Button5Click);
    for (int n = 1; n <= AppSlots::Count; ++n)
        connectGuarded(ResetBtn[n], &QPushButton::clicked, this, messages, [this, n] { ResetBtn1Click(n); });
}

QString TForm4::openFilter()
{
    return QStringLiteral("実行ファイル（*.exe）|*.exe|全てのファイル（*.*）|*.*");
}

void TForm4::selectSlot(int n)
{
    m_editor.select(n);
    ChBox->blockSignals(true);
    ChBox->setCurrentIndex(m_editor.selected() - 1);
    if (m_editor.selected() == 0) ChBox->setEditText(QString());
    ChBox->blockSignals(false);
}

void TForm4::clearFields()
{
    ETitle->clear();
    EOpt->clear();
    EAppPath->clear();
}

void TForm4::showRows()
{
    for (int n = 1; n <= AppSlots::Count; ++n) {
        const AppSlots::Row& r = m_editor.row(n);
        LTitle[n]->setText(r.title);
        LAppPath[n]->setText(r.path);
        LOpt[n]->setText(r.option);
        AppImgN[n]->setPicture(m_editor.picture(n));
    }
    AppImg->setPicture(m_editor.preview());
}

void TForm4::copyFromMain()
{
    m_editor.copyFrom(m_main.slotTable());
    showRows();
}

void TForm4::FormShow()
{
    clearFields();
    FormInit();
    // Only the first registered row with a path gets a fresh icon; the others
    // keep what the opening copied in.
    if (const int n = m_editor.firstRowWithProgram()) {
        GetImg(m_editor.row(n).path);
        m_editor.previewToRow(n);
    }
    showRows();
    ColorSet4();
}

void TForm4::FormInit()
{
    if (const int n = m_editor.selected()) {
        const AppSlots::Row& r = m_editor.row(n);
        ETitle->setText(r.title);
        EOpt->setText(r.option);
        EAppPath->setText(r.path);
        m_editor.selectedToPreview();
        showRows();
        return;
    }
    if (!ChBox->currentText().isEmpty())
        m_env.messages.warning(this, QStringLiteral("不正な値を入力しました。"));
    selectSlot(0);
}

void TForm4::ChBoxChange()
{
    FormInit();
}

void TForm4::Num1Click(int tag)
{
    selectSlot(tag);
    FormInit();
}

void TForm4::AppImg1Click(int tag)
{
    Num1Click(tag);
}

void TForm4::LTitle1Click(int tag)
{
    Num1Click(tag);
}

void TForm4::GetImg(const QString& path)
{
    // The shell has no icon for a file that is not there; nothing is drawn then.
    if (path.isEmpty() || FsPath::kind(path) == FsPath::Kind::Missing) return;
    m_editor.drawOnPreview(OtherImage::iconImage(m_env.platform.programIcon(path)));
    AppImg->setPicture(m_editor.preview());
}

void TForm4::ColorSet4()
{
    const ViewColors colors = m_main.viewColors();
    for (QWidget* w : {static_cast<QWidget*>(ChBox), static_cast<QWidget*>(ETitle), static_cast<QWidget*>(EOpt),
                       static_cast<QWidget*>(EAppPath)})
        ViewColours::apply(w, colors);
}

void TForm4::FolderBtnClick()
{
    QString path;
    if (m_env.dialogs.openFile(this, openFilter(), QString(), &path)) EAppPath->setText(path);
}

void TForm4::EAppPathKeyPress(QChar key)
{
    if (key != QChar(13)) return;
    const QString path = EAppPath->text();
    if (!path.isEmpty() && FsPath::kind(path) != FsPath::Kind::File)
        m_env.messages.warning(this, QStringLiteral("そのファイルPathは不正です。"));
}

void TForm4::Button1Click()
{
    if (m_editor.selected() == 0) return;
    m_editor.clearPreview();
    GetImg(EAppPath->text());
    m_editor.provisional(AppSlots::Row{ETitle->text(), EAppPath->text(), EOpt->text()});
    showRows();
}

void TForm4::Button2Click()
{
    const int n = m_editor.selected();
    if (n == 0 || !m_form5) return;
    m_form5->showRow(m_editor.row(n), m_editor.picture(n));
    m_form5->exec();
}

void TForm4::Button3Click()
{
    m_editor.save(m_env.settingsDir);
}

void TForm4::Button4Click()
{
    for (int n = 1; n <= AppSlots::Count; ++n) m_main.confirmSlot(n, m_editor.confirmed(n));
    m_main.setDirectLaunchAvailable(m_editor.unregisteredCount() != AppSlots::Count);
    accept();
}

void TForm4::Button5Click()
{
    reject();
}

void TForm4::ResetBtn1Click(int tag)
{
    if (m_editor.reset(tag)) clearFields();
    showRows();
}

bool TForm4::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonPress &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        const int tag = watched->property("Tag").toInt();
        if (AppSlots::Table::valid(tag)) {
            if (watched == Num[tag])
                guardedHandler(this, m_env.messages, &TForm4::Num1Click)(tag);
            else if (watched == AppImgN[tag])
                guardedHandler(this, m_env.messages, &TForm4::AppImg1Click)(tag);
            else
                guardedHandler(this, m_env.messages, &TForm4::LTitle1Click)(tag);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}
