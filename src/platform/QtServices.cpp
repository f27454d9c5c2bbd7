#include "AppEnv.h"
#include "CommonDialogs.h"
#include "Fonts.h"
#include "Messages.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QScreen>
#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QFontDialog>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QSortFilterProxyModel>
#include <QTreeView>

#include <memory>

namespace {
QString g_appTitle;
}

QString AppTitle::get() { return g_appTitle; }
void AppTitle::set(const QString& title) { g_appTitle = title; }

QString executableFolder()
{
    QString dir = QCoreApplication::applicationDirPath();
    if (!dir.endsWith(QLatin1Char('/'))) dir += QLatin1Char('/');
    return dir;
}

int QtMessages::captionWidth(const QWidget& box, const QString& caption)
{
    // The title bar's font is the window manager's: a bold face of the box's
    // size is the wider guess. Room is added for the window icon and three
    // buttons (some window managers show minimise and maximise whatever a
    // dialog asks for), and the box never grows past the screen.
    QFont font = box.font();
    font.setBold(true);
    const QFontMetrics fm(font);
    int width = fm.horizontalAdvance(caption) + 6 * fm.height() + 32;
    if (const QScreen* screen = box.screen()) width = qMin(width, screen->availableGeometry().width() * 9 / 10);
    return width;
}

void QtMessages::fitCaption(QMessageBox& box)
{
    // The box sizes itself to its text and buttons; a spacer across its grid
    // as wide as the caption needs makes it wide enough for its title too.
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout()))
        grid->addItem(new QSpacerItem(captionWidth(box, box.windowTitle()) - grid->contentsMargins().left() -
                                          grid->contentsMargins().right(),
                                      0, QSizePolicy::Minimum, QSizePolicy::Fixed),
                      grid->rowCount(), 0, 1, grid->columnCount());
}

static void showBox(QWidget* parent, QMessageBox::Icon icon, const QString& caption, const QString& text)
{
    QMessageBox box(icon, caption, text, QMessageBox::Ok, parent);
    box.setDefaultButton(QMessageBox::Ok);
    QtMessages::fitCaption(box);
    box.exec();
}

void QtMessages::error(QWidget* parent, const QString& text)
{
    showBox(parent, QMessageBox::Critical, AppTitle::get(), errorText(text));
}

void QtMessages::warning(QWidget* parent, const QString& text)
{
    showBox(parent, QMessageBox::Warning, QStringLiteral("警告"), text);
}

void QtMessages::notice(QWidget* parent, const QString& text)
{
    showBox(parent, QMessageBox::NoIcon, AppTitle::get(), text);
}

namespace {
// "*.exe" stands for the programs of this platform: folders stay listed so the
// user can walk the tree, files are shown when they may be executed.
class OpenDialogList : public QSortFilterProxyModel {
public:
    using QSortFilterProxyModel::QSortFilterProxyModel;
    void setActive(bool active)
    {
        if (m_active == active) return;
        m_active = active;
        invalidateFilter();
    }

    QVariant data(const QModelIndex& index, int role) const override
    {
        auto* fs = qobject_cast<QFileSystemModel*>(sourceModel());
        if (role != Qt::DisplayRole || !fs || index.column() < 1 || index.column() > 3)
            return QSortFilterProxyModel::data(index, role);
        const QFileInfo info = fs->fileInfo(mapToSource(index));
        const QLocale shown;   // the interface's (Japanese) locale
        switch (index.column()) {
        case 1:
            return info.isDir() ? QString() : shown.formattedDataSize(info.size());
        case 2:
            if (info.isDir()) return QStringLiteral("フォルダ");
            return info.suffix().isEmpty() ? QStringLiteral("ファイル") : info.suffix() + QStringLiteral(" ファイル");
        default:
            return shown.toString(info.lastModified(), QLocale::ShortFormat);
        }
    }

protected:
    bool filterAcceptsRow(int row, const QModelIndex& parent) const override
    {
        if (!m_active) return true;
        auto* fs = qobject_cast<QFileSystemModel*>(sourceModel());
        if (!fs) return true;
        const QFileInfo info = fs->fileInfo(fs->index(row, 0, parent));
        return info.isDir() || info.isExecutable();
    }

private:
    bool m_active = false;
};

bool isExecutableMask(const QString& mask)
{
    return mask.compare(QLatin1String("*.exe"), Qt::CaseInsensitive) == 0;
}

// Masks as the Windows dialog reads them: "*.*" is every name, dotted or not.
QString shownMask(const QString& mask)
{
    QStringList out;
    for (const QString& m : mask.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QString t = m.trimmed();
        out << ((t == QLatin1String("*.*") || isExecutableMask(t)) ? QStringLiteral("*") : t);
    }
    out.removeDuplicates();
    return out.join(QLatin1Char(' '));
}
} // namespace

bool QtCommonDialogs::openFile(QWidget* parent, const QString& filter, const QString& initialDir, QString* path)
{
    // "caption|mask|caption|mask": the captions are what the user sees.
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList captions;
    QStringList masks;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        captions << parts[i];
        masks << parts[i + 1];
    }
    QFileDialog dlg(parent);
    dlg.setFileMode(QFileDialog::ExistingFile);
    dlg.setOption(QFileDialog::DontUseNativeDialog, true);
    dlg.setFilter(QDir::AllDirs | QDir::Files | QDir::NoDotAndDotDot | QDir::Hidden);
    if (!initialDir.isEmpty()) dlg.setDirectory(initialDir);
    QSortFilterProxyModel* list = makeFileListModel(&dlg);
    dlg.setProxyModel(list);
    fitFileColumns(&dlg);
    QStringList shown;
    for (qsizetype i = 0; i < captions.size(); ++i)
        shown << captions[i] + QStringLiteral(" (") + shownMask(masks[i]) + QStringLiteral(")");
    if (!shown.isEmpty()) {
        dlg.setNameFilters(shown);
        QObject::connect(&dlg, &QFileDialog::filterSelected, &dlg, [&](const QString& f) {
            const qsizetype idx = shown.indexOf(f);
            showExecutablesOnly(list, idx >= 0 && isExecutableMask(masks[idx].trimmed()));
        });
        dlg.selectNameFilter(shown.first());
        showExecutablesOnly(list, isExecutableMask(masks.first().trimmed()));
    }
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return false;
    *path = dlg.selectedFiles().first();
    return true;
}

QSortFilterProxyModel* QtCommonDialogs::makeFileListModel(QObject* parent)
{
    return new OpenDialogList(parent);
}

void QtCommonDialogs::fitFileColumns(QFileDialog* dialog)
{
    auto* tree = dialog->findChild<QTreeView*>(QStringLiteral("treeView"));
    if (!tree) return;
    for (const int column : {1, 3}) tree->header()->setSectionResizeMode(column, QHeaderView::ResizeToContents);
}

void QtCommonDialogs::showExecutablesOnly(QSortFilterProxyModel* model, bool only)
{
    if (auto* list = dynamic_cast<OpenDialogList*>(model)) list->setActive(only);
}

bool QtCommonDialogs::chooseColor(QWidget* parent, QColor* color, QList<QColor>* customColors)
{
    if (customColors)
        for (int i = 0; i < customColors->size() && i < QColorDialog::customCount(); ++i)
            QColorDialog::setCustomColor(i, customColors->at(i));
    QColorDialog dlg(*color, parent);
    dlg.setOption(QColorDialog::DontUseNativeDialog, true);
    bool ok = dlg.exec() == QDialog::Accepted;
    if (ok) {
        *color = dlg.selectedColor();
        if (customColors) {
            customColors->clear();
            for (int i = 0; i < QColorDialog::customCount(); ++i) customColors->append(QColorDialog::customColor(i));
        }
    }
    return ok;
}

QFontDialog* QtCommonDialogs::makeFontDialog(QWidget* parent, const QFont& stored)
{
    auto* dlg = new QFontDialog(parent);
    dlg->setOption(QFontDialog::DontUseNativeDialog, true);
    // The stored face is often a Windows name that is not installed: the
    // dialog opens on the family that stands in for it, at the stored size.
    dlg->setCurrentFont(Fonts::asInstalled(stored));
    // The pane takes face, size and style only: no effects (underline,
    // strike-out) are offered. Their box keeps its room, which the preview
    // beside it shares: without it the preview has no height left to show
    // its sample in.
    for (QGroupBox* box : dlg->findChildren<QGroupBox*>()) {
        if (!box->findChild<QCheckBox*>()) continue;
        QSizePolicy keep = box->sizePolicy();
        keep.setRetainSizeWhenHidden(true);
        box->setSizePolicy(keep);
        box->hide();
    }
    // The view shows Japanese text: the sample shows it beside the Latin
    // letters, also after "Any" is picked again as the writing system.
    if (auto* sample = dlg->findChild<QLineEdit*>(QStringLiteral("qt_fontDialog_sampleEdit"))) {
        const QString text = QStringLiteral("AaBbYyZz あいうアイウ漢字");
        sample->setText(text);
        if (auto* systems = dlg->findChild<QComboBox*>())
            QObject::connect(systems, &QComboBox::activated, sample, [sample, text](int index) {
                if (index == 0) sample->setText(text);
            });
    }
    return dlg;
}

bool QtCommonDialogs::chooseFont(QWidget* parent, QFont* font)
{
    std::unique_ptr<QFontDialog> dlg(makeFontDialog(parent, *font));
    if (dlg->exec() != QDialog::Accepted) return false;
    *font = dlg->selectedFont();
    return true;
}
