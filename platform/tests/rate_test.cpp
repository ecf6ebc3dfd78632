// The download budget: rates as typed, and the budget applied to real
// transfers from a loopback server, changed and stopped while they run.
#include "platform/rate.h"
#include "platform/http.h"
#include "testing/fault_server.h"
#include "testing/loopback_server.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <thread>

namespace {

namespace http = platform::http;
using Clock = std::chrono::steady_clock;

TEST(ParseRate, WholeNumbersWithBinarySuffixes) {
    EXPECT_EQ(platform::parseRate("512000"), 512000);
    EXPECT_EQ(platform::parseRate("500K"), 512000);
    EXPECT_EQ(platform::parseRate("500k"), 512000);
    EXPECT_EQ(platform::parseRate("2M"), 2097152);
    EXPECT_EQ(platform::parseRate("2m"), 2097152);
    EXPECT_EQ(platform::parseRate("0"), 0);
    EXPECT_EQ(platform::parseRate("8589934592M"), std::int64_t{1} << 53);
    for (const char* bad : {"", "K", "M", "-5", "+5", " 5", "5 ", "1.5M", "5G", "5KB", "0x10",
                            "5KK", "9007199254740993", "8589934593M", "99999999999999999999"})
        EXPECT_EQ(platform::parseRate(bad), std::nullopt) << bad;
}

// Sets the process-wide limit for one test and switches it off after.
class RateLimitTest : public ::testing::Test {
protected:
    ~RateLimitTest() override { http::setRateLimit(0); }

    // Streams /file in the background, counting the bytes that reach the
    // sink, until `go` turns false.
    std::future<http::Response> startFetch() {
        return std::async(std::launch::async, [this] {
            http::Request request;
            request.url = server.url("/file");
            request.shareRateLimit = true;
            http::Callbacks callbacks;
            callbacks.onBody = [this](const char* data, std::size_t size) {
                body.append(data, size);
                received += static_cast<std::int64_t>(size);
                return true;
            };
            callbacks.keepGoing = [this] { return go.load(); };
            return http::fetch(request, callbacks);
        });
    }
    // Waits (at most 20 s) until the sink has at least `bytes`.
    bool waitForBytes(std::int64_t bytes) {
        const auto deadline = Clock::now() + std::chrono::seconds(20);
        while (received < bytes && Clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return received >= bytes;
    }

    testing_support::FaultServer server{8 << 20};
    std::string body;  // written by the transfer's thread only
    std::atomic<std::int64_t> received{0};
    std::atomic<bool> go{true};
};

TEST_F(RateLimitTest, ChangesApplyToATransferUnderWay) {
    http::setRateLimit(1 << 20);
    auto running = startFetch();
    ASSERT_TRUE(waitForBytes(256 << 10));

    // Lowered to 64 KiB/s: over one second the sink gets that, plus what
    // was granted at the old rate and the new burst, far below 1 MiB.
    http::setRateLimit(64 << 10);
    EXPECT_EQ(http::rateLimit(), 64 << 10);
    const std::int64_t before = received;
    std::this_thread::sleep_for(std::chrono::seconds(1));  // the measured span
    const std::int64_t inOneSecond = received - before;
    EXPECT_GT(inOneSecond, 0);
    EXPECT_LT(inOneSecond, 300 << 10);

    // Switched off: the remaining 7 MiB, about two minutes at the low rate,
    // come at once.
    const auto offAt = Clock::now();
    http::setRateLimit(0);
    ASSERT_EQ(running.wait_for(std::chrono::seconds(20)), std::future_status::ready);
    EXPECT_LT(Clock::now() - offAt, std::chrono::seconds(10));
    const http::Response response = running.get();
    EXPECT_TRUE(response.transportOk) << response.error;
    EXPECT_EQ(body, server.body());
}

TEST_F(RateLimitTest, AStopWhileWaitingForBudgetEndsTheTransferPromptly) {
    http::setRateLimit(1024);  // 8 MiB would take over two hours
    auto running = startFetch();
    ASSERT_TRUE(waitForBytes(1));
    const auto stoppedAt = Clock::now();
    go = false;
    ASSERT_EQ(running.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    EXPECT_LT(Clock::now() - stoppedAt, std::chrono::seconds(2));
    const http::Response response = running.get();
    EXPECT_EQ(response.failure, http::Failure::Stopped);
    EXPECT_LT(received, 16 << 10);
}

// Requests that do not opt in are never held back by the budget.
TEST_F(RateLimitTest, OnlyRequestsThatShareTheBudgetAreLimited) {
    http::setRateLimit(1024);
    http::Request request;
    request.url = server.url("/file");
    const auto start = Clock::now();
    const http::Response response = http::fetch(request);
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(10));
    EXPECT_EQ(response.body, server.body());
}

// Many threads drawing from one budget together get the rate, no more.
TEST(RateBudget, ThreadsShareOneBucket) {
    platform::RateBudget budget;
    constexpr std::int64_t kRate = 4 << 20;
    budget.setRate(kRate);
    std::atomic<std::int64_t> granted{0};
    const auto start = Clock::now();
    std::vector<std::thread> takers;
    for (int i = 0; i < 4; ++i) {
        takers.emplace_back([&] {
            for (std::int64_t mine = 0; mine < (1 << 20);) {
                const std::size_t got = budget.take(100000, {});
                mine += static_cast<std::int64_t>(got);
                granted += static_cast<std::int64_t>(got);
            }
        });
    }
    for (std::thread& taker : takers)
        taker.join();
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    const auto least = static_cast<double>(granted - platform::RateBudget::burstFor(kRate)) /
                       static_cast<double>(kRate);
    EXPECT_GE(seconds, least * 0.9);
}

}  // namespace
