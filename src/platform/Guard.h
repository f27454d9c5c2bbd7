#pragma once
#include "Messages.h"
#include "VarError.h"

#include <exception>
#include <new>

class QWidget;

// Runs one handler's body. An error ends the handler where it happened and is
// shown in the general error box; it never crosses the event loop.
template <class F>
bool guarded(Messages* messages, QWidget* parent, F&& body)
{
    try {
        body();
        return true;
    } catch (const VarError& e) {
        if (messages) messages->error(parent, e.message());
    } catch (const std::bad_alloc&) {
        if (messages) messages->error(parent, QStringLiteral("メモリが不足しています"));
    } catch (const std::exception& e) {
        if (messages) messages->error(parent, QString::fromLocal8Bit(e.what()));
    }
    return false;
}
