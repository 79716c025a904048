#include "tooling/DncRequestFramer.h"

#include "tooling/DncData.h"

#include <utility>

namespace {
const char CR = 0x0D;
const char LF = 0x0A;

// The most bytes a request may have before its CR: a settings file is far
// smaller than a tooling table.
int requestBound(const QByteArray &request)
{
    return request.startsWith("$N") ? kMaxSettingsText : kMaxDncRequest;
}
}

void DncRequestFramer::append(const QByteArray &data)
{
    unread.append(data);
    assemble();
}

DncRequestFramer::Request DncRequestFramer::takeRequest()
{
    Request request = requests.dequeue();
    waitingBytes -= request.bytes.size();
    // Room for a request that waits uncut.
    assemble();
    return request;
}

bool DncRequestFramer::expire()
{
    partial.clear();
    // A request dropped for its size was answered already.
    if (std::exchange(state, State::Taking) == State::Skipping)
        return false;
    queue({Request::Expired, QByteArray()});
    return true;
}

// Cuts the bytes received into requests and queues them, one at a time while
// the waiting requests are within their bounds. A trigger byte drops the
// partial request before it; the requests complete before it, and the bytes
// after it, are taken as if they had come on their own.
void DncRequestFramer::assemble()
{
    int triggerAt = -2; // where the next trigger byte is; -1: none in the rest
    while (unreadFrom < unread.size() && !atBound()) {
        if (trigger != 0 && triggerAt != -1 && triggerAt < unreadFrom)
            triggerAt = unread.indexOf(trigger, unreadFrom);
        const int cr = unread.indexOf(CR, unreadFrom);
        const bool isTrigger = trigger != 0 && triggerAt >= 0 && (cr < 0 || triggerAt <= cr);
        const int end = isTrigger ? triggerAt : cr;
        if (end < 0) {
            take(unread.mid(unreadFrom));
            unreadFrom = unread.size();
            break;
        }
        take(unread.mid(unreadFrom, end - unreadFrom + (isTrigger ? 0 : 1)));
        unreadFrom = end + 1;
        if (isTrigger) {
            queue({Request::Trigger, QByteArray()});
            partial.clear();
            state = State::Taking;
        }
    }
    if (unreadFrom >= unread.size()) {
        unread.clear();
        unreadFrom = 0;
    } else if (unreadFrom > unread.size() / 2) {
        unread.remove(0, unreadFrom);
        unreadFrom = 0;
    }
}

// Queues the requests the bytes complete, each up to its CR.
void DncRequestFramer::take(QByteArray data)
{
    if (state == State::Skipping) {
        const int end = data.indexOf(CR);
        if (end < 0)
            return;
        state = State::Taking;
        data.remove(0, end + 1);
    }
    // Only the new bytes are searched: earlier ones held no line end, or
    // too few bytes for a request.
    int searchFrom = partial.size() < 3 ? 0 : partial.size();
    partial.append(data);
    for (;;) {
        // Line feeds between requests (of a host that ends them with CR LF)
        // begin no request.
        int feeds = 0;
        while (feeds < partial.size() && partial.at(feeds) == LF)
            ++feeds;
        partial.remove(0, feeds);
        // A request has at least two bytes before its CR.
        const int end = partial.indexOf(CR, qMax(searchFrom, 2));
        if ((end < 0 ? partial.size() : end) > requestBound(partial)) {
            // Far larger than any such request: refused at once and dropped
            // whole, up to its line end.
            queue({Request::Oversized, QByteArray()});
            if (end < 0) {
                partial.clear();
                state = State::Skipping;
                return;
            }
            partial.remove(0, end + 1);
        } else if (end < 0) {
            break;
        } else {
            queue({Request::Line, partial.left(end + 1)});
            partial.remove(0, end + 1);
        }
        searchFrom = 0;
    }
}

void DncRequestFramer::queue(Request request)
{
    waitingBytes += request.bytes.size();
    requests.enqueue(std::move(request));
}

bool DncRequestFramer::atBound() const
{
    return requests.size() >= kMaxWaitingRequests || waitingBytes >= kMaxWaitingBytes;
}
