#include "AppSlotsEditor.h"

void AppSlotsEditor::copyFrom(const AppSlots::Table& table)
{
    for (int n = 1; n <= AppSlots::Count; ++n) {
        const AppSlots::Slot& s = table.at(n);
        AppSlots::drawOpaque(&m_pictures[n - 1], s.icon);
        m_rows[n - 1] = AppSlots::Row{s.title, s.path, s.option};
    }
}

const AppSlots::Row& AppSlotsEditor::row(int n) const
{
    static const AppSlots::Row none;
    return AppSlots::Table::valid(n) ? m_rows[n - 1] : none;
}

const QImage& AppSlotsEditor::picture(int n) const
{
    static const QImage none;
    return AppSlots::Table::valid(n) ? m_pictures[n - 1] : none;
}

void AppSlotsEditor::selectedToPreview()
{
    if (m_selected == 0) return;
    if (isRegistered(row(m_selected)))
        AppSlots::drawOpaque(&m_preview, picture(m_selected));
    else
        clearPreview();
}

int AppSlotsEditor::firstRowWithProgram() const
{
    for (int n = 1; n <= AppSlots::Count; ++n) {
        const AppSlots::Row& r = row(n);
        if (!r.title.isEmpty() && isRegistered(r) && !r.path.isEmpty()) return n;
    }
    return 0;
}

void AppSlotsEditor::previewToRow(int n)
{
    if (AppSlots::Table::valid(n)) AppSlots::drawOpaque(&m_pictures[n - 1], m_preview);
}

bool AppSlotsEditor::provisional(const AppSlots::Row& fields)
{
    if (m_selected == 0) return false;
    m_rows[m_selected - 1] = fields;
    AppSlots::fillButtonFace(&m_pictures[m_selected - 1]);
    previewToRow(m_selected);
    return true;
}

bool AppSlotsEditor::reset(int n)
{
    if (!AppSlots::Table::valid(n)) return false;
    m_rows[n - 1] = AppSlots::Row{AppSlots::unregistered(), QString(), QString()};
    AppSlots::fillButtonFace(&m_pictures[n - 1]);
    return n == m_selected;
}

AppSlots::Slot AppSlotsEditor::confirmed(int n) const
{
    const AppSlots::Row& r = row(n);
    const bool registered = isRegistered(r);
    return AppSlots::Slot{r.title, registered ? r.path : QString(), registered ? r.option : QString(), picture(n)};
}

int AppSlotsEditor::unregisteredCount() const
{
    int count = 0;
    for (const AppSlots::Row& r : m_rows)
        if (!isRegistered(r)) ++count;
    return count;
}

void AppSlotsEditor::save(const QString& settingsDir) const
{
    AppSlots::save(settingsDir, m_rows, m_pictures);
}
