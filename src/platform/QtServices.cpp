#include "AppEnv.h"
#include "CommonDialogs.h"
#include "Messages.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QGroupBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFontDialog>
#include <QMessageBox>

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

static void showBox(QWidget* parent, QMessageBox::Icon icon, const QString& caption, const QString& text)
{
    QMessageBox box(icon, caption, text, QMessageBox::Ok, parent);
    box.setDefaultButton(QMessageBox::Ok);
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

bool QtCommonDialogs::openFile(QWidget* parent, const QString& filter, const QString& initialDir, QString* path)
{
    // "caption|mask|caption|mask": the captions are what the user sees.
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList filters;
    QStringList masks;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        filters << parts[i];
        masks << parts[i + 1];
    }
    QFileDialog dlg(parent);
    dlg.setFileMode(QFileDialog::ExistingFile);
    dlg.setOption(QFileDialog::DontUseNativeDialog, true);
    if (!initialDir.isEmpty()) dlg.setDirectory(initialDir);
    // Rebuild the name filters so that each caption is shown as given.
    QStringList shown;
    for (qsizetype i = 0; i < filters.size(); ++i)
        shown << filters[i] + QStringLiteral(" (") + (masks[i].compare(QLatin1String("*.exe"), Qt::CaseInsensitive) == 0 ? QStringLiteral("*") : masks[i]) + QStringLiteral(")");
    dlg.setNameFilters(shown);
    QObject::connect(&dlg, &QFileDialog::filterSelected, &dlg, [&](const QString& f) {
        qsizetype idx = shown.indexOf(f);
        if (idx >= 0 && masks[idx].compare(QLatin1String("*.exe"), Qt::CaseInsensitive) == 0)
            dlg.setFilter(QDir::AllDirs | QDir::Files | QDir::Executable | QDir::NoDotAndDotDot);
        else
            dlg.setFilter(QDir::AllDirs | QDir::Files | QDir::NoDotAndDotDot | QDir::Hidden);
    });
    if (!shown.isEmpty()) {
        dlg.selectNameFilter(shown.first());
        Q_EMIT dlg.filterSelected(shown.first());
    }
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return false;
    *path = dlg.selectedFiles().first();
    return true;
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

bool QtCommonDialogs::chooseFont(QWidget* parent, QFont* font)
{
    QFontDialog dlg(*font, parent);
    dlg.setOption(QFontDialog::DontUseNativeDialog, true);
    // The pane takes face, size and style only: no effects (underline,
    // strike-out) are offered.
    for (QGroupBox* box : dlg.findChildren<QGroupBox*>())
        if (box->findChild<QCheckBox*>()) box->hide();
    if (dlg.exec() != QDialog::Accepted) return false;
    *font = dlg.selectedFont();
    return true;
}
