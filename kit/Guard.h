#pragma once

#include "Prompts.h"

#include <exception>
#include <utility>

namespace sarvel {

// The one error boundary of an event handler: an error raised below ends the handler and its
// message goes to the standard error box. No exception leaves through a Qt frame.
template <class F>
bool guarded(Prompts& prompts, F&& handler) noexcept {
    try {
        std::forward<F>(handler)();
        return true;
    } catch (const std::exception& e) {
        try {
            prompts.error(QString::fromUtf8(e.what()));
        } catch (...) {
        }
    } catch (...) {
        try {
            prompts.error(QStringLiteral("Unknown error"));
        } catch (...) {
        }
    }
    return false;
}

} // namespace sarvel
