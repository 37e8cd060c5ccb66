#include "fake_runtime.h"

#include <gtest/gtest.h>

int ScriptedBoxes::ask(const QString &prompt, int style, const QString &title)
{
    m_asked.push_back({prompt, style, title});
    if (m_whileOpen)
        std::exchange(m_whileOpen, nullptr)();
    if (m_answers.empty()) {
        ADD_FAILURE() << "unexpected message box: " << prompt.toStdString();
        return (style & 7) == vbYesNo ? vbNo : vbOK;
    }
    const int reply = m_answers.front();
    m_answers.pop_front();
    return reply;
}
