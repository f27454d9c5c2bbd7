#pragma once
#include <QtGlobal>

// Whether a text of a given size can be handed to the clipboard. Once handed
// over, the toolkit converts it on its own when another program pastes (a UTF-8
// copy beside the UTF-16 text), where a failed allocation can no longer be
// answered; so the whole cost is weighed before anything is allocated, and a
// copy is made only when it fits with room to spare.
namespace BigTextMemory {

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

// A copy fits comfortably when it needs at most half the room.
bool clipboardFits(qint64 chars, qint64 room);
bool clipboardFits(qint64 chars);

// Throws std::bad_alloc when a copy of chars does not fit, so that the
// caller's handler reports it as a lack of memory before anything is taken.
void requireClipboard(qint64 chars);

}
