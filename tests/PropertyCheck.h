#pragma once
// RapidCheck properties as GoogleTest tests with a bounded number of cases. A
// failure prints the shrunk case and the RC_PARAMS line that replays it; when
// RC_PARAMS is set (a replay, or more cases by hand) it is followed as given.
#include <gtest/gtest.h>
#include <rapidcheck.h>

#include <cstdlib>
#include <sstream>
#include <string>

namespace quorbit::test {

/// `cases` cases; `maxSize` bounds what the generators draw (the length of a
/// command sequence, for one).
template <typename Testable> void CheckProperty(int cases, Testable&& testable, int maxSize = 100) {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    rc::detail::TestMetadata metadata;
    metadata.id = std::string(info->test_suite_name()) + "/" + info->name();
    metadata.description = info->name();
    const auto run = [&] {
        if (std::getenv("RC_PARAMS") != nullptr)
            return rc::detail::checkTestable(std::forward<Testable>(testable), metadata);
        auto params = rc::detail::configuration().testParams;
        params.maxSuccess = cases;
        params.maxSize = maxSize;
        return rc::detail::checkTestable(std::forward<Testable>(testable), metadata, params);
    };
    const rc::detail::TestResult result = run();
    if (!result.template is<rc::detail::SuccessResult>()) {
        std::ostringstream text;
        rc::detail::printResultMessage(result, text);
        FAIL() << text.str();
    }
}

} // namespace quorbit::test
