#include "TestSupport.h"

#include "VarError.h"

namespace {
class FakeListingHandle : public FileListing {
public:
    explicit FakeListingHandle(std::shared_ptr<FakeListing> listing) : m_listing(std::move(listing)) {}
    ~FakeListingHandle() override
    {
        if (m_listing) m_listing->dropped = true;
    }

private:
    std::shared_ptr<FakeListing> m_listing;
};
} // namespace

void FakeListing::deliver(QStringList names)
{
    if (keep) names.removeIf([this](const QString& n) { return !keep(n); });
    if (!names.isEmpty()) sink.found(names);
}

std::unique_ptr<FileListing> FakePlatform::listFiles(const QString& folder, const QString& pattern, Keep keep,
                                                     QObject* receiver, ListingSink sink)
{
    if (realListings) return RealPlatform::listFiles(folder, pattern, std::move(keep), receiver, std::move(sink));
    auto listing = std::make_shared<FakeListing>(FakeListing{folder, pattern, std::move(keep), std::move(sink)});
    if (holdListings) {
        listings << listing;
        return std::make_unique<FakeListingHandle>(listing);
    }
    QString error;
    QStringList names;
    try {
        names = findFiles(folder, pattern);
    } catch (const VarError& e) {
        error = e.message();
    }
    listing->deliver(names);
    listing->end(error);
    return std::make_unique<FakeListingHandle>(listing);
}


QStringList FakeMessages::texts() const
{
    QStringList out;
    for (const auto& m : log) out << m.text;
    return out;
}

bool FakeDialogs::openFile(QWidget*, const QString& filter, const QString&, QString* path)
{
    lastFilter = filter;
    if (openFileAccept) *path = openFileResult;
    return openFileAccept;
}

bool FakeDialogs::chooseColor(QWidget*, QColor* color, QList<QColor>*)
{
    lastColorPreset = *color;
    if (colorAccept) *color = colorResult;
    return colorAccept;
}

bool FakeDialogs::chooseFont(QWidget*, QFont* font)
{
    lastFontShown = *font;
    if (fontAccept) *font = fontResult;
    return fontAccept;
}

