#pragma once

#include <QByteArray>
#include <functional>
#include <poll.h>
#include <string>

// The counter's end of the connection to the PC, a serial cable or TCP: the
// emulator's loop watches its descriptors, hands it what they reported, and
// writes the counter's messages through it.
class TCounterLink {
public:
    using TLog = std::function<void(const QByteArray&)>;
    // The most descriptors a link watches at once.
    static constexpr int MaxWatched = 2;

    virtual ~TCounterLink() = default;

    // Where the PC finds the counter, for the "ready" line.
    virtual QByteArray Address() const = 0;
    // Fills `watched` with the descriptors to poll for reading; their count.
    virtual int Watch(pollfd* watched) = 0;
    // Takes what the descriptors filled by Watch reported; the bytes the PC
    // sent are appended to `received`. Descriptors a hang-up closed since
    // Watch are passed over.
    virtual void Serve(const pollfd* watched, int count, QByteArray& received) = 0;
    // False when nobody heard the bytes: no PC there, or it does not read.
    virtual bool Write(const QByteArray& bytes) = 0;
    // Ends the connection as a pulled cable would; false with the reason
    // when the link could not be made anew.
    virtual bool HangUp(std::string& error) = 0;
};
