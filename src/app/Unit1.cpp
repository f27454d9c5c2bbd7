#include "Unit1.h"

#include "FolderButton.h"
#include "Fonts.h"
#include "Guard.h"
#include "MainSettings.h"
#include "Messages.h"
#include "Platform.h"
#include "TextPane.h"
#include "VarError.h"
#include "WindowBounds.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QGuiApplication>
#include <QMenuBar>
#include <QPainter>
#include <QScreen>
#include <QSplitter>
#include <QToolButton>

#include <algorithm>

namespace {
const QString kUnregistered = QStringLiteral("（未登録）");

// Every screen with its usable area, the primary first.
QList<WindowBounds::Screen> screensNow()
{
    QList<WindowBounds::Screen> list;
    QScreen* primary = QGuiApplication::primaryScreen();
    if (primary) list.append({primary->geometry(), primary->availableGeometry()});
    for (QScreen* s : QGuiApplication::screens())
        if (s != primary) list.append({s->geometry(), s->availableGeometry()});
    return list;
}

} // namespace

TForm1::TForm1(const AppEnv& env, QWidget* parent) : QMainWindow(parent), m_env(env)
{
    Q_INIT_RESOURCE(vardolin);
    setWindowTitle(QStringLiteral("Vardolin"));
    setFont(Fonts::windowFont());
    FontDlgFont = Fonts::layoutFont().toQFont();
    buildLayout();
    buildMenus();
    setupState();
    setupList();
    setupText();
    setupApps();
    nameControls();
    folderPickerKeys();
    // Client area 369 x 237 at 200, 107 until the saved geometry says otherwise.
    move(200, 107);
    resize(369, 237 + menuBar()->sizeHint().height());
    guarded(m_env.messages, this, [this] { FormCreate(); });
}

TForm1::~TForm1() = default;

void TForm1::buildLayout()
{
    Client = new QWidget(this);
    setCentralWidget(Client);

    Edit1 = new QLineEdit(Client);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setGeometry(0, 0, 369 - 22, 20);

    // Placed by FormSet.
    FolderBtn = folderButton(Client, QRect(), QStringLiteral("フォルダのパスを選択するダイアログボックスを開きます。"));
    FolderBtn->setAutoRaise(true);

    ChBox1 = new QComboBox(Client);
    ChBox1->setObjectName(QStringLiteral("ChBox1"));
    ChBox1->setGeometry(0, 24, 89, 20);
    ChBox1->setToolTip(QStringLiteral("拡張子の種類を選択します。"));
    ChBox2 = new QComboBox(Client);
    ChBox2->setObjectName(QStringLiteral("ChBox2"));
    ChBox2->setGeometry(91, 24, 65, 20);
    ChBox2->setToolTip(QStringLiteral("拡張子を選択します。"));

    for (int n = 1; n <= 5; ++n) {
        auto* b = new QToolButton(Client);
        b->setObjectName(QStringLiteral("AppBtn%1").arg(n));
        b->setProperty("Tag", n);
        b->setAutoRaise(true);
        b->setGeometry(158 + 23 * (n - 1), 24, 21, 21);
        b->setIconSize(QSize(17, 17));
        b->setEnabled(false);
        b->setToolTip(kUnregistered);
        b->setFocusPolicy(Qt::NoFocus);
        AppBtn[n] = b;
    }

    // Disabled and not ticked, as the state starts; from then on it mirrors the state.
    CheckBox1 = new QCheckBox(QStringLiteral("直接"), Client);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    CheckBox1->setEnabled(false);

    Panel1 = new QFrame(Client);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel1->setLineWidth(1);
    auto* panelLayout = new QHBoxLayout(Panel1);
    panelLayout->setContentsMargins(1, 1, 1, 1);
    Splitter1 = new QSplitter(Qt::Horizontal, Panel1);
    Splitter1->setObjectName(QStringLiteral("Splitter1"));
    Splitter1->setHandleWidth(2);
    Splitter1->setChildrenCollapsible(false);
    panelLayout->addWidget(Splitter1);
    LView = new QListView(Splitter1);
    LView->setObjectName(QStringLiteral("LView"));
    LView->setMinimumWidth(30);
    REdit = new TextPane(Splitter1);
    REdit->setObjectName(QStringLiteral("REdit"));
    REdit->setMinimumWidth(30);
    // The pane's font is the window's layout font until the settings name
    // another, and it is written back in the same terms.
    const Fonts::StoredFont layoutFont = Fonts::layoutFont();
    REdit->setFontFace(layoutFont.face);
    REdit->setFontSize(layoutFont.points);
    Splitter1->addWidget(LView);
    Splitter1->addWidget(REdit);
    Splitter1->setStretchFactor(0, 0);
    Splitter1->setStretchFactor(1, 1);
    Splitter1->setSizes({88, 369 - 88});
    connect(Splitter1, &QSplitter::splitterMoved, this, [this] { m_listWidth = Splitter1->sizes().value(0); });

    StatusBar1 = new QWidget(Client);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    const int widths[3] = {65, 250, 50};
    int x = 0;
    for (int i = 0; i < 3; ++i) {
        auto* l = new QLabel(StatusBar1);
        l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        l->setGeometry(x, 0, widths[i] - 2, 19);
        l->setTextFormat(Qt::PlainText);
        x += widths[i];
        StatusPanel[i] = l;
    }

    // Tab order: Edit1, ChBox1, ChBox2, CheckBox1, Panel1.
    setTabOrder(Edit1, ChBox1);
    setTabOrder(ChBox1, ChBox2);
    setTabOrder(ChBox2, CheckBox1);
    setTabOrder(CheckBox1, LView);
    FormSet();
}

void TForm1::buildMenus()
{
    Messages& messages = m_env.messages;
    auto action = [this, &messages](QMenu* menu, const char* name, const QString& caption, auto handler) {
        QAction* a = menu->addAction(caption);
        a->setObjectName(QString::fromLatin1(name));
        connectGuarded(a, &QAction::triggered, this, messages, handler);
        return a;
    };
    QMenuBar* bar = menuBar();
    N1 = bar->addMenu(QStringLiteral("操作（&C）"));
    N1->setObjectName(QStringLiteral("N1"));
    X1 = action(N1, "X1", QStringLiteral("フォルダをエクスプローラーで開く（&E）"), &TForm1::X1Click);
    R1 = action(N1, "R1", QStringLiteral("選択ファイルを関連付けアプリで開く（&R）"), &TForm1::R1Click);
    N1->addSeparator();
    TX = N1->addMenu(QStringLiteral("登録アプリ（&A）"));
    TX->setObjectName(QStringLiteral("TX"));
    // A checkable item has flipped its own tick when it reports the click; its
    // handler turns the state over, which then ticks every mirror alike.
    auto toggle = [&action](QMenu* menu, const char* name, const QString& caption, auto handler) {
        QAction* a = action(menu, name, caption, handler);
        a->setCheckable(true);
        return a;
    };
    E1 = toggle(TX, "E1", QStringLiteral("登録アプリを直接起動する（&E）"), &TForm1::E1Click);
    E1->setEnabled(false);
    TX->addSeparator();
    // The five slot items of a menu: one handler serves them by their Tag.
    auto slotItems = [this, &messages](QMenu* menu, const char* prefix, std::array<QAction*, 6>& items,
                                       auto handler) {
        for (int n = 1; n <= 5; ++n) {
            QAction* a = menu->addAction(kUnregistered);
            a->setObjectName(QString::fromLatin1(prefix) + QString::number(n));
            a->setProperty("Tag", n);
            a->setEnabled(false);
            connectGuarded(a, &QAction::triggered, this, messages,
                           [this, a, handler] { (this->*handler)(a->property("Tag").toInt()); });
            items[n] = a;
        }
    };
    slotItems(TX, "SApp", SApp, &TForm1::SApp5Click);
    N1->addSeparator();
    N12 = N1->addMenu(QStringLiteral("テキスト（&T）"));
    N12->setObjectName(QStringLiteral("N12"));
    N13 = toggle(N12, "N13", QStringLiteral("右端で折り返す（&W）"), &TForm1::N13Click);
    N12->addSeparator();
    L1 = action(N12, "L1", QStringLiteral("テキスト全体を選択（&L）"), &TForm1::L1Click);
    C1 = action(N12, "C1", QStringLiteral("コピー（&C）"), &TForm1::C1Click);
    C1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_C));
    C1->setShortcutContext(Qt::WindowShortcut);
    S1 = action(N12, "S1", QStringLiteral("検索（&S）"), &TForm1::S1Click);
    N1->addSeparator();
    Import = action(N1, "Import", QStringLiteral("Ver1.02用の設定ファイルをインポート（&I）"), &TForm1::ImportClick);
    X2 = action(N1, "X2", QStringLiteral("終了（&X）"), &TForm1::X2Click);

    N2 = bar->addMenu(QStringLiteral("設定（&O）"));
    N2->setObjectName(QStringLiteral("N2"));
    C2 = action(N2, "C2", QStringLiteral("文字色と背景色の設定（&C）"), &TForm1::C2Click);
    F1 = action(N2, "F1", QStringLiteral("フォント設定（&F）"), &TForm1::F1Click);
    E2 = action(N2, "E2", QStringLiteral("拡張子の設定（&E）"), &TForm1::E2Click);
    // "（X）" is plain text here: no access key.
    X3 = N2->addAction(QStringLiteral("外部起動アプリの登録（X）"));
    X3->setObjectName(QStringLiteral("X3"));
    connectGuarded(X3, &QAction::triggered, this, messages, &TForm1::X3Click);

    HELP1 = bar->addMenu(QStringLiteral("ヘルプ（&H）"));
    HELP1->setObjectName(QStringLiteral("HELP1"));
    ReadmeR1 = action(HELP1, "ReadmeR1", QStringLiteral("Readmeを表示する（&R）"), &TForm1::ReadmeR1Click);
    His1 = action(HELP1, "His1", QStringLiteral("Historyを表示する（&H）"), &TForm1::His1Click);
    ManualM1 = action(HELP1, "ManualM1", QStringLiteral("マニュアルを表示する（&M）"), &TForm1::ManualM1Click);
    HELP1->addSeparator();
    V1 = action(HELP1, "V1", QStringLiteral("バージョン情報（&V）"), &TForm1::V1Click);

    ViewMenu = new QMenu(this);
    ViewMenu->setObjectName(QStringLiteral("ViewMenu"));
    N16 = action(ViewMenu, "N16", QStringLiteral("フォルダをエクスプローラーで開く"), &TForm1::N16Click);
    N17 = action(ViewMenu, "N17", QStringLiteral("選択ファイルを関連付けアプリで開く"), &TForm1::N17Click);
    ViewMenu->addSeparator();
    N19 = toggle(ViewMenu, "N19", QStringLiteral("登録アプリを直接起動する"), &TForm1::N19Click);
    N19->setEnabled(false);
    ViewMenu->addSeparator();
    slotItems(ViewMenu, "FApp", FApp, &TForm1::FApp5Click);
    LView->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(LView, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { ViewMenu->popup(LView->viewport()->mapToGlobal(pos)); });

    txMenu = new QMenu(this);
    txMenu->setObjectName(QStringLiteral("txMenu"));
    N26 = action(txMenu, "N26", QStringLiteral("テキスト全体を選択"), &TForm1::N26Click);
    N27 = action(txMenu, "N27", QStringLiteral("クリップボードにコピー"), &TForm1::N27Click);
    Find1 = action(txMenu, "Find1", QStringLiteral("検索"), &TForm1::Find1Click);
    txMenu->addSeparator();
    N29 = toggle(txMenu, "N29", QStringLiteral("右端で折り返す"), &TForm1::N29Click);
    txMenu->addSeparator();
    N31 = action(txMenu, "N31", QStringLiteral("文字色と背景色の設定"), &TForm1::N31Click);
    N32 = action(txMenu, "N32", QStringLiteral("フォントの設定"), &TForm1::N32Click);
    N33 = action(txMenu, "N33", QStringLiteral("拡張子の設定"), &TForm1::N33Click);
    N34 = action(txMenu, "N34", QStringLiteral("外部起動アプリの登録"), &TForm1::N34Click);
    connect(REdit, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { txMenu->popup(REdit->mapToGlobal(pos)); });
}

// ---------------------------------------------------------------- start-up

void TForm1::FormCreate()
{
    m_state.setViewColors(ViewColors{TColor::Black, TColor::White});
    LoadSet();
    TagsLoad();
    LoadAppItem();
    selectFirstCategoryAndPattern();
    // The start folder: home stands where the Windows folder stood.
    StartFolder = m_env.platform.homeFolder();
    StartFolder += QStringLiteral("/ﾃﾞｽｸﾄｯﾌﾟ/");
    m_state.setFolder(StartFolder);
    STItem();
    BaseTitle = QStringLiteral("Vardolin");
    AppTitle::set(BaseTitle);
    setWindowTitle(BaseTitle);
}

void TForm1::LoadSet()
{
    MainSettings::Read read;
    try {
        if (!MainSettings::load(m_env.settingsFile(MainSettings::fileName()), &read)) {
            m_env.messages.notice(this, QStringLiteral("appcfgs.cfgファイルのバージョンが違います。"));
            return;
        }
    } catch (const VarError&) {
        // The lines before the one that failed are applied all the same.
        applySettings(read);
        throw;
    }
    applySettings(read);
}

void TForm1::applySettings(const MainSettings::Read& read)
{
    if (read.bounds) setOuterBounds(read.bounds->left, read.bounds->top, read.bounds->width, read.bounds->height);
    if (read.wordWrap) m_state.setWordWrap(*read.wordWrap);
    if (read.fontFace) REdit->setFontFace(*read.fontFace);
    if (read.fontSize) REdit->setFontSize(*read.fontSize);
    ViewColors colors = m_state.viewColors();
    if (read.textColor) {
        colors.text = *read.textColor;
        m_state.setViewColors(colors);
    }
    if (read.fillColor) {
        colors.background = *read.fillColor;
        m_state.setViewColors(colors);
        ColorSet();
    }
    if (read.directEnabled) m_state.setDirectAvailable(*read.directEnabled);
    if (read.directOn) m_state.setDirectOn(*read.directOn);
    if (read.listWidth) setListWidth(*read.listWidth);
}

void TForm1::FormClose()
{
    MainSettings::Values v;
    const QRect b = outerBounds();
    v.bounds = MainSettings::Bounds{b.left(), b.top(), b.width(), b.height()};
    v.wordWrap = m_state.wordWrap();
    v.fontFace = REdit->fontFace();
    v.fontSize = REdit->fontSize();
    // The pane's colours, which differ from the view colours after a font is chosen.
    v.textColor = m_state.paneColors().text;
    v.fillColor = m_state.paneColors().background;
    v.directEnabled = m_state.directAvailable();
    v.directOn = m_state.directOn();
    v.listWidth = listWidth();
    MainSettings::save(m_env.settingsFile(MainSettings::fileName()), v);
}

void TForm1::closeEvent(QCloseEvent* event)
{
    // Every close writes the settings. The first failed write shows its error
    // and keeps the window, so that the folder can be made writable and the
    // next close saves; when that one fails too, the program says that the
    // settings were not saved and ends, so that a folder that stays read-only
    // never keeps the user from quitting.
    if (guarded(m_env.messages, this, [this] { FormClose(); })) {
        event->accept();
        return;
    }
    if (!m_closeFailed) {
        m_closeFailed = true;
        event->ignore();
        return;
    }
    m_env.messages.notice(this, QStringLiteral("設定は保存されませんでした。"));
    event->accept();
}

// ---------------------------------------------------------------- geometry

QRect TForm1::outerBounds() const
{
    return m_bounds.toWrite(geometry(), frameGeometry());
}

QMargins TForm1::frameWidths() const
{
    const QRect outer = frameGeometry(), inner = geometry();
    return QMargins(inner.left() - outer.left(), inner.top() - outer.top(), outer.right() - inner.right(),
                    outer.bottom() - inner.bottom());
}

void TForm1::setOuterBounds(int left, int top, int width, int height)
{
    m_bounds.read(left, top, width, height, screensNow());
    applyBounds();
}

void TForm1::applyBounds()
{
    // Under the frame known now, which is none before the window manager has
    // framed the window; followFrame() applies the bounds again once it has.
    const QMargins frame = frameWidths();
    const QRect inner = m_bounds.requestUnder(frame);
    setMinimumInner(frame);
    move(m_bounds.asRead().topLeft());
    resize(inner.size());
    m_bounds.settle(geometry());
    FormSet();
}

void TForm1::followFrame()
{
    if (m_bounds.frameChanged(frameWidths(), size())) applyBounds();
}

void TForm1::setMinimumInner(const QMargins& frame)
{
    // The minimum is an outer size: the frame takes its share of it.
    setMinimumSize(std::max(1, WindowBounds::MinWidth - frame.left() - frame.right()),
                   std::max(1, WindowBounds::MinHeight - frame.top() - frame.bottom()));
}

int TForm1::listWidth() const
{
    // Until the splitter has been laid out its sizes mean nothing; the width
    // last asked for is the list's width then.
    if (!Splitter1->isVisible()) return m_listWidth;
    return Splitter1->sizes().value(0, m_listWidth);
}

void TForm1::setListWidth(int width)
{
    // Never narrower than the list may be, nor wider than the window.
    const int least = LView->minimumWidth();
    m_listWidth = std::clamp(width, least, std::max(least, frameGeometry().width()));
    Splitter1->setSizes({m_listWidth, std::max(30, Splitter1->width() - m_listWidth)});
}

void TForm1::FormSet()
{
    if (m_inFormSet) return;
    m_inFormSet = true;
    const QMargins frame = frameWidths();
    setMinimumInner(frame);
    const QSize outer = frameGeometry().size();
    const QSize enlarged = WindowBounds::atLeastMinimum(outer);
    if (enlarged != outer && isWindow())
        resize(enlarged - QSize(frame.left() + frame.right(), frame.top() + frame.bottom()));
    const int cw = Client ? Client->width() : 0;
    const int ch = Client ? Client->height() : 0;
    if (Client) {
        Edit1->setGeometry(0, 0, cw - 22, 20);
        FolderBtn->setGeometry(cw - 19, 0, 18, 21);
        CheckBox1->setGeometry(cw - 49, 26, 49, 17);
        Panel1->setGeometry(0, 48, cw, ch - 68);
        StatusBar1->setGeometry(0, ch - 19, cw, 19);
    }
    m_inFormSet = false;
}

void TForm1::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    followFrame();
    FormSet();
}

void TForm1::moveEvent(QMoveEvent* event)
{
    QMainWindow::moveEvent(event);
    followFrame();
}

void TForm1::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (!m_shownOnce) {
        m_shownOnce = true;
        followFrame();
        setListWidth(m_listWidth);
    }
}

bool TForm1::eventFilter(QObject* watched, QEvent* event)
{
    if (textEventFilter(watched, event)) return true;
    return QMainWindow::eventFilter(watched, event);
}

// ---------------------------------------------------------------- helpers

void TForm1::setCaption(const QString& caption)
{
    setWindowTitle(caption);
    AppTitle::set(caption);
}

void TForm1::X2Click()
{
    close();
}
