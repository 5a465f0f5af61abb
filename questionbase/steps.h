#pragma once

// The two failure regimes of the windows' handlers. Every handler states, step by step, which
// one applies; these two helpers are the only places that catch data-layer failures for them.

#include "questionbase/error.h"

#include <exception>
#include <utility>

namespace qb {

// "A failing step is skipped": runs the step and carries on whatever happened.
// Returns whether the step succeeded, for the few callers that report a failure.
template <class Step>
bool skipIfFails(Step&& step) noexcept {
    try {
        std::forward<Step>(step)();
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

// "An error jumps to the failure steps": runs the body; on the first failure the rest of the
// body is abandoned and the failure steps run with the error.
template <class Body, class FailureSteps>
void runOrFail(Body&& body, FailureSteps&& failureSteps) {
    try {
        std::forward<Body>(body)();
    } catch (const Error& error) {
        std::forward<FailureSteps>(failureSteps)(error);
    } catch (const std::exception& error) {
        std::forward<FailureSteps>(failureSteps)(
            Error(Reason::Refused, QString::fromUtf8(error.what())));
    }
}

}  // namespace qb
