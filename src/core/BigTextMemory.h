#pragma once
#include <QString>
#include <QtGlobal>

// Whether a text of a given size can be handed to the clipboard. Once handed
// over, the toolkit converts it on its own when another program pastes (a UTF-8
// copy beside the UTF-16 text), where a failed allocation can no longer be
// answered; so the whole cost is weighed before anything is allocated, and a
// copy is made only when it fits with room to spare. A text longer than the
// toolkit's texts can be is refused for its length, whatever the memory.
namespace BigTextMemory {

// Most characters a clipboard text may hold: the toolkit hands texts to other
// programs with 32-bit sizes.
constexpr qint64 kClipboardChars = 0x7FFFFFFF;

// Why a copy of chars characters is not made, if it is not.
enum class Refusal { None, TooLong, NoMemory };
Refusal clipboardRefusal(qint64 chars);
// What the user is told of a copy refused for its length.
QString tooLongMessage(qint64 chars);

// Bytes a clipboard text of chars UTF-16 units needs: the text itself and its
// UTF-8 copy, which the conversion first allocates at three bytes a unit.
qint64 clipboardBytes(qint64 chars);

// Memory this process can still take: the smaller of what the system has
// available and what is left under an address-space limit.
qint64 room();

// What room() is made of, for callers that want to weigh it themselves.
// Unlimited is reported as the largest qint64.
qint64 availableMemory();
qint64 addressSpaceLeft();

// A copy fits comfortably when it needs at most half the room (and is not
// too long, for the second).
bool clipboardFits(qint64 chars, qint64 room);
bool clipboardFits(qint64 chars);

// Before anything is taken: throws VarError (tooLongMessage) when a copy of
// chars is too long, and std::bad_alloc when it does not fit in memory, so
// that the caller's handler reports either as it reports its like.
void requireClipboard(qint64 chars);

}
