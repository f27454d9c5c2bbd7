#include "OtherDialog.h"

#include "DialogUtil.h"
#include "CommonDialogs.h"
#include "FsPath.h"
#include "Guard.h"
#include "MainForm.h"
#include "Messages.h"
#include "OtherImage.h"
#include "Platform.h"
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

QLabel* plainLabel(const QString& text, QWidget* parent, const QRect& geometry)
{
    auto* l = new QLabel(text, parent);
    l->setTextFormat(Qt::PlainText);
    l->setGeometry(geometry);
    return l;
}

// A fixed-width label: a long text is cut at its width, never wrapped or grown.
QLabel* fieldLabel(const char* name, int tag, QWidget* parent, const QRect& geometry)
{
    QLabel* l = plainLabel(QString(), parent, geometry);
    l->setObjectName(QString::fromLatin1(name).arg(tag));
    l->setProperty("Tag", tag);
    l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    l->setLineWidth(1);
    l->setWordWrap(false);
    l->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    return l;
}

} // namespace

template <class F> void TForm4::guard(F&& body)
{
    guarded(m_env.messages, this, std::forward<F>(body));
}

TForm4::TForm4(MainForm& main, const AppEnv& env, QWidget* parent)
    : QDialog(parent), m_main(main), m_env(env)
{
    setObjectName(QStringLiteral("Form4"));
    setWindowTitle(QStringLiteral("外部起動アプリの登録"));
    DialogUtil::makeFixedDialog(this, kWidth, kHeight);
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

    Label6 = plainLabel(QStringLiteral("Title:"), this, QRect(80, 9, 34, 14));
    ETitle = new QLineEdit(this);
    ETitle->setObjectName(QStringLiteral("ETitle"));
    ETitle->setGeometry(114, 6, 148, 20);
    Label7 = plainLabel(QStringLiteral("Option:"), this, QRect(267, 9, 48, 14));
    EOpt = new QLineEdit(this);
    EOpt->setObjectName(QStringLiteral("EOpt"));
    EOpt->setGeometry(316, 6, 141, 20);

    Label8 = plainLabel(QStringLiteral("Path:"), this, QRect(8, 35, 32, 14));
    EAppPath = new QLineEdit(this);
    EAppPath->setObjectName(QStringLiteral("EAppPath"));
    EAppPath->setGeometry(42, 32, 391, 20);
    FolderBtn = new QToolButton(this);
    FolderBtn->setObjectName(QStringLiteral("FolderBtn"));
    FolderBtn->setIcon(DialogUtil::folderGlyph());
    FolderBtn->setIconSize(QSize(14, 15));
    FolderBtn->setGeometry(437, 32, 20, 20);
    FolderBtn->setFocusPolicy(Qt::NoFocus);
    FolderBtn->setToolTip(QStringLiteral("外部起動アプリへのパスを指定するダイアログボックスを開きます。"));

    for (int n = 1; n <= AppSlots::Count; ++n) {
        const int y = kRowTop + kRowStep * (n - 1);
        Num[n] = plainLabel(QString::number(n), this, QRect(8, y + 2, 10, 16));
        Num[n]->setObjectName(QStringLiteral("Num%1").arg(n));
        Num[n]->setProperty("Tag", n);
        AppImgN[n] = new ImageBox(this);
        AppImgN[n]->setObjectName(QStringLiteral("AppImg%1").arg(n));
        AppImgN[n]->setProperty("Tag", n);
        AppImgN[n]->move(20, y + 1);
        LTitle[n] = fieldLabel("LTitle%1", n, this, QRect(42, y, 106, 19));
        LAppPath[n] = fieldLabel("LAppPath%1", n, this, QRect(151, y, 196, 19));
        LOpt[n] = fieldLabel("LOpt%1", n, this, QRect(350, y, 58, 19));
        ResetBtn[n] = DialogUtil::plainButton(QStringLiteral("Reset"), "", this, QRect(411, y - 1, 46, 21));
        ResetBtn[n]->setObjectName(QStringLiteral("ResetBtn%1").arg(n));
        ResetBtn[n]->setProperty("Tag", n);
        for (QWidget* w : {static_cast<QWidget*>(Num[n]), static_cast<QWidget*>(AppImgN[n]),
                           static_cast<QWidget*>(LTitle[n]), static_cast<QWidget*>(LAppPath[n]),
                           static_cast<QWidget*>(LOpt[n])})
            w->installEventFilter(this);
    }

    const int by = kHeight - 30;
    Button1 = DialogUtil::plainButton(QStringLiteral("仮登録"), "Button1", this, QRect(8, by, 75, 24));
    Button2 = DialogUtil::plainButton(QStringLiteral("動作テスト"), "Button2", this, QRect(87, by, 75, 24));
    Button3 = DialogUtil::plainButton(QStringLiteral("設定の保存"), "Button3", this, QRect(166, by, 75, 24));
    Button4 = DialogUtil::plainButton(QStringLiteral("決定"), "Button4", this, QRect(303, by, 75, 24));
    Button5 = DialogUtil::plainButton(QStringLiteral("キャンセル"), "Button5", this, QRect(382, by, 75, 24));

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
    // A pick from the list selects its item; typing leaves no item selected.
    // Programmatic selection raises neither signal.
    connect(ChBox, &QComboBox::activated, this, [this](int) { guard([this] { ChBoxChange(); }); });
    connect(ChBox->lineEdit(), &QLineEdit::textEdited, this, [this](const QString& text) {
        ChBox->blockSignals(true);
        ChBox->setCurrentIndex(-1);
        ChBox->setEditText(text);
        ChBox->blockSignals(false);
        guard([this] { ChBoxChange(); });
    });
    connect(FolderBtn, &QToolButton::clicked, this, [this] { guard([this] { FolderBtnClick(); }); });
    connect(EAppPath, &QLineEdit::returnPressed, this,
            [this] { guard([this] { EAppPathKeyPress(QChar(13)); }); });
    connect(Button1, &QPushButton::clicked, this, [this] { guard([this] { Button1Click(); }); });
    connect(Button2, &QPushButton::clicked, this, [this] { guard([this] { Button2Click(); }); });
    connect(Button3, &QPushButton::clicked, this, [this] { guard([this] { Button3Click(); }); });
    connect(Button4, &QPushButton::clicked, this, [this] { guard([this] { Button4Click(); }); });
    connect(Button5, &QPushButton::clicked, this, [this] { guard([this] { Button5Click(); }); });
    for (int n = 1; n <= AppSlots::Count; ++n)
        connect(ResetBtn[n], &QPushButton::clicked, this, [this, n] { guard([this, n] { ResetBtn1Click(n); }); });
}

QString TForm4::openFilter()
{
    return QStringLiteral("実行ファイル（*.exe）|*.exe|全てのファイル（*.*）|*.*");
}

int TForm4::selectedSlot() const
{
    const int i = ChBox->currentIndex();
    return (i >= 0 && i < AppSlots::Count) ? i + 1 : 0;
}

void TForm4::selectSlot(int n)
{
    ChBox->blockSignals(true);
    ChBox->setCurrentIndex(n >= 1 && n <= AppSlots::Count ? n - 1 : -1);
    if (n < 1 || n > AppSlots::Count) ChBox->setEditText(QString());
    ChBox->blockSignals(false);
}

AppSlots::Row TForm4::row(int n) const
{
    return AppSlots::Row{LTitle[n]->text(), LAppPath[n]->text(), LOpt[n]->text()};
}

QImage TForm4::rowImage(int n) const
{
    return AppImgN[n]->picture();
}

void TForm4::setRow(int n, const AppSlots::Row& r)
{
    LTitle[n]->setText(r.title);
    LAppPath[n]->setText(r.path);
    LOpt[n]->setText(r.option);
}

void TForm4::copyFromMain()
{
    for (int n = 1; n <= AppSlots::Count; ++n) {
        AppImgN[n]->drawOpaque(m_main.slotHiddenImage(n));
        setRow(n, AppSlots::Row{m_main.slotHint(n), m_main.slotPath(n), m_main.slotOption(n)});
    }
}

void TForm4::FormShow()
{
    ETitle->clear();
    EOpt->clear();
    EAppPath->clear();
    FormInit();
    // Only the first registered row with a path gets a fresh icon; the others
    // keep what the opening copied in.
    for (int n = 1; n <= AppSlots::Count; ++n) {
        const AppSlots::Row r = row(n);
        if (r.title.isEmpty() || !AppSlots::isRegistered(r.title) || r.path.isEmpty()) continue;
        GetImg(r.path);
        AppImgN[n]->drawOpaque(AppImg->picture());
        break;
    }
    ColorSet4();
}

void TForm4::FormInit()
{
    const int n = selectedSlot();
    if (n != 0) {
        const AppSlots::Row r = row(n);
        ETitle->setText(r.title);
        EOpt->setText(r.option);
        EAppPath->setText(r.path);
        if (AppSlots::isRegistered(ETitle->text()))
            AppImg->drawOpaque(rowImage(n));
        else
            AppImg->fillButtonFace();
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
    AppImg->drawIcon(m_env.platform.programIcon(path));
}

void TForm4::ColorSet4()
{
    const ViewColors colors = m_main.viewColors();
    for (QWidget* w : {static_cast<QWidget*>(ChBox), static_cast<QWidget*>(ETitle), static_cast<QWidget*>(EOpt),
                       static_cast<QWidget*>(EAppPath)})
        DialogUtil::applyViewColors(w, colors);
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
    const int n = selectedSlot();
    if (n == 0) return;
    AppImg->fillButtonFace();
    GetImg(EAppPath->text());
    setRow(n, AppSlots::Row{ETitle->text(), EAppPath->text(), EOpt->text()});
    AppImgN[n]->fillButtonFace();
    AppImgN[n]->drawOpaque(AppImg->picture());
}

void TForm4::Button2Click()
{
    const int n = selectedSlot();
    if (n == 0 || !m_form5) return;
    const AppSlots::Row r = row(n);
    m_form5->Ltitle->setText(r.title);
    m_form5->LOpt->setText(r.option);
    m_form5->LPath->setText(r.path);
    m_form5->AppImg->fillButtonFace();
    m_form5->AppImg->drawOpaque(rowImage(n));
    m_form5->exec();
}

void TForm4::Button3Click()
{
    std::array<AppSlots::Row, AppSlots::Count> rows;
    std::array<QImage, AppSlots::Count> images;
    for (int n = 1; n <= AppSlots::Count; ++n) {
        rows[n - 1] = row(n);
        images[n - 1] = rowImage(n);
    }
    AppSlots::save(m_env.settingsDir, rows, images, m_main.lineBuffer());
}

void TForm4::Button4Click()
{
    int unregistered = 0;
    for (int n = 1; n <= AppSlots::Count; ++n) {
        const AppSlots::Row r = row(n);
        if (AppSlots::isRegistered(r.title)) {
            m_main.confirmSlot(n, true, r.title, r.path, r.option, rowImage(n));
        } else {
            ++unregistered;
            m_main.confirmSlot(n, false, r.title, QString(), QString(), rowImage(n));
        }
    }
    m_main.setDirectEnabled(unregistered != AppSlots::Count);
    accept();
}

void TForm4::Button5Click()
{
    reject();
}

void TForm4::ResetBtn1Click(int tag)
{
    if (tag < 1 || tag > AppSlots::Count) return;
    setRow(tag, AppSlots::Row{AppSlots::unregistered(), QString(), QString()});
    AppImgN[tag]->fillButtonFace();
    if (selectedSlot() == tag) {
        ETitle->clear();
        EOpt->clear();
        EAppPath->clear();
    }
}

void TForm4::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    DialogUtil::centreOnScreen(this);
    guard([this] { FormShow(); });
}

void TForm4::keyPressEvent(QKeyEvent* event)
{
    // Esc is no cancel button here: only "決定" and "キャンセル" close the dialog.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool TForm4::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonPress &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        const int tag = watched->property("Tag").toInt();
        if (tag >= 1 && tag <= AppSlots::Count) {
            if (watched == Num[tag])
                guard([this, tag] { Num1Click(tag); });
            else if (watched == AppImgN[tag])
                guard([this, tag] { AppImg1Click(tag); });
            else
                guard([this, tag] { LTitle1Click(tag); });
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}
