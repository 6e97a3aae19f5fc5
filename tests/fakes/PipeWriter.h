// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>

#include <atomic>
#include <chrono>
#include <fcntl.h>
#include <thread>
#include <unistd.h>

// From three seconds on until it is destroyed, opens a named pipe for writing again and again: a reader that waits on
// the pipe for a writer then goes on, and the test ends.
class PipeWriter
{
public:
    explicit PipeWriter(QByteArray name)
        : m_thread([this, name = std::move(name)] {
            for (int i = 0; !m_done; ++i) {
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
                if (const int pipe = i < 300 ? -1 : ::open(name.constData(), O_WRONLY | O_NONBLOCK); pipe >= 0) {
                    ::close(pipe);
                }
            }
        })
    {}

    ~PipeWriter()
    {
        m_done = true;
        m_thread.join();
    }

    PipeWriter(const PipeWriter&) = delete;
    PipeWriter& operator=(const PipeWriter&) = delete;

private:
    std::atomic<bool> m_done = false;
    std::thread m_thread;
};
