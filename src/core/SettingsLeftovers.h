#pragma once
#include <QString>
#include <QStringList>

// A save that was killed half-way leaves its temporary file beside the
// settings file it was to replace (named as SaveTemp says). The program removes
// these at start, and only these: a file of any other name stays, however much
// it looks like one, and so does one that a running save still holds.
namespace SettingsLeftovers {
// The settings files the program saves (appcfgs.cfg, exitem.cfg,
// appitems.cfg, IconImg1..5.bmp).
QStringList savedFiles();
// Whether `name` is a temporary file of a save of one of savedFiles().
bool isLeftover(const QString& name);
// Removes the leftovers in `dir` (ending in "/") that no running save holds;
// nothing else is touched. Returns how many were removed.
int removeFrom(const QString& dir);
}
