#pragma once

#include "TestProgramDirectory.h"

#include <QByteArray>
#include <QFile>

#include <sys/inotify.h>
#include <unistd.h>

// How many times the settings file is replaced by another renamed over it while work runs, as a safe
// save does.
template <class Work> int replacementsOfTheFileBy(const TestProgramDirectory& directory, Work work)
{
    const int watch = inotify_init1(IN_NONBLOCK);
    // Creations too: the kernel merges an event into an identical one just before it, and the
    // temporary file created before each rename keeps the renames apart.
    inotify_add_watch(watch, QFile::encodeName(directory.path()).constData(), IN_MOVED_TO | IN_CREATE);
    work();
    int count = 0;
    alignas(inotify_event) char buffer[4096];
    for (ssize_t size; (size = ::read(watch, buffer, sizeof buffer)) > 0;) {
        for (char* next = buffer; next < buffer + size;) {
            const auto* event = reinterpret_cast<const inotify_event*>(next);
            count += (event->mask & IN_MOVED_TO) && event->len > 0 && QByteArray(event->name) == "VELTRANO.ini";
            next += sizeof(inotify_event) + event->len;
        }
    }
    ::close(watch);
    return count;
}
