#pragma once
// A window's controls as a test sees them: found by their names in the layout,
// never through the window's members.
#include <QDialog>
#include <QMainWindow>
#include <QObject>
#include <QString>
#include <QtGlobal>

// True when `window` is the nearest window (dialog or main window) above `o`:
// a dialog's own "Edit1" is not the main window's.
inline bool ownedBy(const QObject* o, const QObject* window)
{
    for (const QObject* p = o->parent(); p; p = p->parent()) {
        if (p == window) return true;
        if (qobject_cast<const QDialog*>(p) || qobject_cast<const QMainWindow*>(p)) return false;
    }
    return false;
}

// The control of `window` with this name; a missing one ends the test run.
template <class T>
T* named(const QObject* window, const QString& name)
{
    for (T* c : window->findChildren<T*>(name))
        if (ownedBy(c, window)) return c;
    qFatal("%s has no %s named %s", qPrintable(window->objectName()), T::staticMetaObject.className(),
           qPrintable(name));
    return nullptr;
}

// Control n (1..5) of a kind that every application slot has: "AppBtn3", ...
template <class T>
T* slotControl(const QObject* window, const char* prefix, int n)
{
    return named<T>(window, QString::fromLatin1(prefix) + QString::number(n));
}
