#include "environment/shellopenrecorder.h"

namespace {
ShellOpenRecorder *g_active = nullptr;
}

ShellOpenRecorder::ShellOpenRecorder()
    : m_previous(g_active)
{
    g_active = this;
}

ShellOpenRecorder::~ShellOpenRecorder()
{
    // Usually the newest one goes first; unlink from the middle otherwise.
    if (g_active == this) {
        g_active = m_previous;
        return;
    }
    for (ShellOpenRecorder *r = g_active; r; r = r->m_previous) {
        if (r->m_previous == this) {
            r->m_previous = m_previous;
            return;
        }
    }
}

ShellOpenRecorder *ShellOpenRecorder::active()
{
    return g_active;
}

void ShellOpenRecorder::record(const QString &url)
{
    m_urls.append(url);
}
