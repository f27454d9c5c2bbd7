#pragma once
// The registration dialog on a small stand-in main window: the fixture its
// tests share.
#include "AppSlots.h"
#include "DialogControls.h"
#include "MainForm.h"
#include "TColor.h"
#include "TestSupport.h"

#include <QComboBox>
#include <QFile>
#include <QPainter>

#include <memory>

namespace OtherDialogRig {

inline const QString kUnreg = QStringLiteral("（未登録）");

// The main window as the dialogs see it: five slots and the direct-mode switch.
class FakeMain : public StubMainForm {
public:
    void confirmSlot(int n, const AppSlots::Slot& slot) override
    {
        confirmed[n] = slot;
        ++confirmCount;
        // The confirmed picture is the slot's icon.
        slots.confirm(n, AppSlots::Row{slot.title, slot.path, slot.option}, slot.icon);
    }
    void setDirectLaunchAvailable(bool enabled) override { directEnabled.append(enabled); }

    std::array<AppSlots::Slot, 6> confirmed;
    int confirmCount = 0;
    QList<bool> directEnabled;
};

inline QIcon solidIcon(const QColor& c)
{
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.fillRect(4, 4, 8, 8, c);   // a transparent margin around a solid square
    return QIcon(pm);
}

// Real files and folders, a fixed icon for every program.
class IconPlatform : public FakePlatform {
public:
    QIcon programIcon(const QString& path) override
    {
        asked << path;
        return solidIcon(Qt::red);
    }
    QStringList asked;
};

inline QImage solidImage(const QColor& c, int side = 17)
{
    QImage img(side, side, QImage::Format_RGB32);
    img.fill(c);
    return img;
}

inline QColor btnFace() { return TColor::toQColor(TColor::BtnFace); }

inline bool allPixels(const QImage& img, const QColor& c)
{
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (img.pixelColor(x, y).rgb() != c.rgb()) return false;
    return true;
}

// The icon over the button face: red in the middle, button face at the rim.
inline bool isIconOverButtonFace(const QImage& img)
{
    return img.size() == QSize(17, 17) && img.pixelColor(8, 8).rgb() == QColor(Qt::red).rgb() &&
           img.pixelColor(0, 0).rgb() == btnFace().rgb();
}

// One dialog pair on a stand-in main window, with a program file to register.
struct Fixture {
    Fixture()
    {
        form4 = std::make_unique<TForm4>(main, env, nullptr);
        form5 = std::make_unique<TForm5>(main, env, nullptr);
        form4->setTestForm(form5.get());
        program = t.path(QStringLiteral("tool"));
        QFile f(program);
        f.open(QIODevice::WriteOnly);
        f.write("#!/bin/sh\n");
        f.close();
        f.setPermissions(f.permissions() | QFileDevice::ExeOwner);
    }
    void registerInMain(int n, const QString& title, const QString& p, const QString& o)
    {
        main.slots.setTexts(n, AppSlots::Row{title, p, o});
    }
    void open()
    {
        form4->copyFromMain();
        form4->FormShow();
    }
    void pick(int n)
    {
        QComboBox* selector = ui(*form4).ChBox;
        selector->setCurrentIndex(n - 1);
        Q_EMIT selector->activated(n - 1);
    }

    TestEnv t;
    IconPlatform platform;
    AppEnv env = t.env().withPlatform(platform);
    FakeMain main;
    std::unique_ptr<TForm4> form4;
    std::unique_ptr<TForm5> form5;
    QString program;
};

} // namespace OtherDialogRig
