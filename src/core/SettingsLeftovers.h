#pragma once
#include <QString>
#include <QStringList>

// A save that was killed half-way leaves its temporary file beside the
// settings file it was to replace ("appcfgs.cfg.XXXXXX": the file's name, a
// dot and six letters or digits). The program removes these at start.
namespace SettingsLeftovers {
// The settings files the program saves (appcfgs.cfg, exitem.cfg,
// appitems.cfg, IconImg1..5.bmp).
QStringList savedFiles();
// Whether `name` is a temporary file of a save of one of savedFiles().
bool isLeftover(const QString& name);
// Removes the regular files in `dir` (ending in "/") that are leftovers;
// nothing else is touched. Returns how many were removed.
int removeFrom(const QString& dir);
}
