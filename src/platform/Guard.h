#pragma once
#include "Messages.h"
#include "VarError.h"

#include <QObject>

#include <exception>
#include <functional>
#include <new>
#include <type_traits>
#include <utility>

class QWidget;

// Runs one handler's body. An error ends the handler where it happened and is
// shown in the general error box; it never crosses the event loop.
template <class F>
bool guarded(Messages& messages, QWidget* parent, F&& body)
{
    try {
        body();
        return true;
    } catch (const VarError& e) {
        messages.error(parent, e.message());
    } catch (const std::bad_alloc&) {
        messages.error(parent, QStringLiteral("メモリが不足しています"));
    } catch (const std::exception& e) {
        messages.error(parent, QString::fromLocal8Bit(e.what()));
    }
    return false;
}

namespace GuardDetail {
// Calls a handler with as much of the signal's arguments as it takes: a member
// function of the window (with or without the arguments) or any callable.
template <class Owner, class Handler, class... Args>
void call(Owner* owner, const Handler& handler, Args&&... args)
{
    if constexpr (std::is_member_function_pointer_v<Handler>) {
        if constexpr (std::is_invocable_v<Handler, Owner*, Args...>)
            std::invoke(handler, owner, std::forward<Args>(args)...);
        else
            std::invoke(handler, owner);
    } else if constexpr (std::is_invocable_v<const Handler&, Args...>) {
        std::invoke(handler, std::forward<Args>(args)...);
    } else {
        std::invoke(handler);
    }
}
} // namespace GuardDetail

// A handler of a window wrapped so that it runs guarded: what a signal or a
// callback calls. An error is shown in the general error box with the window
// as its parent.
template <class Owner, class Handler>
auto guardedHandler(Owner* owner, Messages& messages, Handler handler)
{
    return [owner, &messages, handler](auto&&... args) {
        guarded(messages, owner, [&] { GuardDetail::call(owner, handler, std::forward<decltype(args)>(args)...); });
    };
}

// Connects a signal to a window's handler so that the handler runs guarded;
// the connection lives as long as the window.
template <class Sender, class Signal, class Owner, class Handler>
QMetaObject::Connection connectGuarded(const Sender* sender, Signal signal, Owner* owner, Messages& messages,
                                       Handler handler)
{
    return QObject::connect(sender, signal, owner, guardedHandler(owner, messages, std::move(handler)));
}
