// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "desktop/X11Desktop.h"

#include <memory>

/**
 * Holds off the desktop's own idle action (blanking, its screen saver, display power saving) while it lives: the
 * desktop's screen saver service is asked on the session bus where one runs, and on X11 the server's screen saver
 * is suspended as well. Nothing is waited for; a service that answers late is released all the same.
 */
class BlankingInhibitor
{
public:
    BlankingInhibitor();
    ~BlankingInhibitor();
    BlankingInhibitor(const BlankingInhibitor&) = delete;
    BlankingInhibitor& operator=(const BlankingInhibitor&) = delete;

    struct Request;

private:
    std::shared_ptr<Request> m_request;
    X11Desktop::ScreenSaverSuspension m_serverSaver;
};
