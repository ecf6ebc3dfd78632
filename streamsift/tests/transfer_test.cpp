// The transfer operations against a loopback server that can misbehave.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>

#include "platform/text.h"
#include "streamsift/streamsift.h"
#include "testing/loopback_server.h"
#include "testing/temp_dir.h"

namespace {

using testing_support::LoopbackServer;
using testing_support::ScopedEnv;
using testing_support::TempDir;

constexpr std::size_t kFileSize = 1 << 20;
constexpr std::int64_t kHugeSize = std::int64_t{3} << 30;  // 3 GiB, never sent whole

std::string sampleBytes(std::size_t size) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 7919) >> 3);
    return bytes;
}

class StreamSiftTransferTest : public ::testing::Test {
protected:
    StreamSiftTransferTest() : data_(sampleBytes(kFileSize)) {
        httplib::Server& s = server_.server();
        s.Get("/file", [this](const httplib::Request&, httplib::Response& res) {
            res.set_content(data_, "application/octet-stream");
        });
        s.Get("/text", [](const httplib::Request&, httplib::Response& res) {
            res.set_content(text(), "text/plain");  // compressed on the wire
        });
        s.Get("/chunked", [this](const httplib::Request&, httplib::Response& res) {
            res.status = 200;
            res.set_chunked_content_provider(
                "application/octet-stream", [this](std::size_t offset, httplib::DataSink& sink) {
                    const std::size_t n = std::min<std::size_t>(64 << 10, data_.size() - offset);
                    sink.write(data_.data() + offset, n);
                    if (offset + n == data_.size())
                        sink.done();
                    return true;
                });
        });
        // Declares the whole file, breaks the connection after a quarter.
        s.Get("/cut", [this](const httplib::Request&, httplib::Response& res) {
            res.set_content_provider(
                data_.size(), "application/octet-stream",
                [this](std::size_t offset, std::size_t, httplib::DataSink& sink) {
                    if (offset >= data_.size() / 4)
                        return false;
                    sink.write(data_.data() + offset, 64 << 10);
                    return true;
                });
        });
        // Declares 3 GiB, of which the tests read a small part.
        s.Get("/huge", [](const httplib::Request&, httplib::Response& res) {
            res.set_content_provider(kHugeSize, "application/octet-stream",
                                     [](std::size_t, std::size_t length, httplib::DataSink& sink) {
                                         static const std::string zeros(256 << 10, '\0');
                                         return sink.write(zeros.data(),
                                                           std::min(length, zeros.size()));
                                     });
        });
        s.Get("/empty", [](const httplib::Request&, httplib::Response& res) {
            res.set_content("", "application/octet-stream");
        });
        server_.start();
    }

    static const std::string& text() {
        static const std::string t = [] {
            std::string lines;
            for (int i = 0; i < 20000; ++i)
                lines += "line " + std::to_string(i) + " of a text that compresses well\n";
            return lines;
        }();
        return t;
    }

    int getFile(const std::string& url, const std::filesystem::path& target) {
        return sift_.InternetGetFile(url.c_str(), platform::utf8ToUtf16(target.string()).c_str(),
                                     speed_, percent_);
    }

    std::filesystem::path target() const { return dir_ / "target.bin"; }

    TempDir dir_;
    const std::string data_;
    DLL_StreamSift sift_;
    float speed_ = -1;
    int percent_ = -7;
    LoopbackServer server_;  // last: stopped before what its handlers use goes away
};

TEST_F(StreamSiftTransferTest, DeclaredLengthGivesFileSizeAndFullPercentage) {
    EXPECT_EQ(getFile(server_.url("/file"), target()), DLL_StreamSift::kDone);
    EXPECT_EQ(testing_support::readFile(target()), data_);
    EXPECT_EQ(percent_, 100);
    EXPECT_GT(speed_, 0);

    std::int64_t size = -1;
    EXPECT_EQ(sift_.InternetGetFileSize(server_.url("/file").c_str(), size), DLL_StreamSift::kDone);
    EXPECT_EQ(size, static_cast<std::int64_t>(kFileSize));
}

TEST_F(StreamSiftTransferTest, NoDeclaredLengthReadsToTheEndAndLeavesPercentage) {
    EXPECT_EQ(getFile(server_.url("/chunked"), target()), DLL_StreamSift::kDone);
    EXPECT_EQ(testing_support::readFile(target()), data_);
    EXPECT_EQ(percent_, -7);

    std::int64_t size = -1;
    EXPECT_EQ(sift_.InternetGetFileSize(server_.url("/chunked").c_str(), size),
              DLL_StreamSift::kDone);
    EXPECT_EQ(size, 0);
}

TEST_F(StreamSiftTransferTest, CompressedBodyIsStoredDecoded) {
    EXPECT_EQ(getFile(server_.url("/text"), target()), DLL_StreamSift::kDone);
    EXPECT_EQ(testing_support::readFile(target()), text());
    EXPECT_EQ(percent_, 100);
}

TEST_F(StreamSiftTransferTest, OverrideHostReplacesTheHostOfTheUrl) {
    ScopedEnv host("STREAMSIFT_HOST", "127.0.0.1:" + std::to_string(server_.port()));
    EXPECT_EQ(getFile("http://cdn.example/file", target()), DLL_StreamSift::kDone);
    EXPECT_EQ(testing_support::readFile(target()), data_);
    std::int64_t size = -1;
    EXPECT_EQ(sift_.InternetGetFileSize("http://cdn.example:8080/file", size),
              DLL_StreamSift::kDone);
    EXPECT_EQ(size, static_cast<std::int64_t>(kFileSize));
}

TEST_F(StreamSiftTransferTest, ErrorStatusAndUnreachableHostCannotBeOpened) {
    EXPECT_EQ(getFile(server_.url("/missing"), target()), DLL_StreamSift::kCannotOpenUrl);
    EXPECT_FALSE(std::filesystem::exists(target()));
    std::int64_t size = 42;
    EXPECT_EQ(sift_.InternetGetFileSize(server_.url("/missing").c_str(), size),
              DLL_StreamSift::kCannotOpenUrl);
    EXPECT_EQ(size, 42);
    EXPECT_EQ(getFile("http://127.0.0.1:1/file", target()), DLL_StreamSift::kCannotOpenUrl);
    EXPECT_EQ(getFile("file:///etc/hostname", target()), DLL_StreamSift::kCannotOpenUrl);
}

TEST_F(StreamSiftTransferTest, TargetThatCannotBeCreated) {
    EXPECT_EQ(getFile(server_.url("/file"), dir_ / "no-such-dir" / "f"),
              DLL_StreamSift::kCannotWriteTarget);
}

TEST_F(StreamSiftTransferTest, BrokenConnectionKeepsThePartialFile) {
    EXPECT_EQ(getFile(server_.url("/cut"), target()), DLL_StreamSift::kReadFailed);
    const std::string partial = testing_support::readFile(target());
    EXPECT_GT(partial.size(), 0u);
    EXPECT_LT(partial.size(), data_.size());
    EXPECT_EQ(partial, data_.substr(0, partial.size()));
}

TEST_F(StreamSiftTransferTest, CancelKeepsWhatWasWrittenAndPercentageCountsIn64Bits) {
    // Another thread watches the progress, as a window would, and cancels
    // once 1 % of the 3 GiB has arrived.
    percent_ = 0;
    std::atomic<bool> finished = false;
    std::thread canceller([&] {
        while (std::atomic_ref<int>(percent_).load() < 1 && !finished)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        sift_.stopFlag = true;
    });
    const int result = getFile(server_.url("/huge"), target());
    finished = true;
    canceller.join();
    EXPECT_EQ(result, DLL_StreamSift::kCancelled);
    const auto written = static_cast<std::int64_t>(std::filesystem::file_size(target()));
    EXPECT_LT(written, kHugeSize);
    // The last percentage belongs to the last block written.
    EXPECT_EQ(percent_, written * 100 / kHugeSize);
    EXPECT_GE(percent_, 1);
}

TEST_F(StreamSiftTransferTest, StopFlagSetBeforehandCancelsWithoutTouchingTheTarget) {
    testing_support::writeFile(target(), "kept");
    sift_.stopFlag = true;
    EXPECT_EQ(getFile(server_.url("/file"), target()), DLL_StreamSift::kCancelled);
    EXPECT_EQ(testing_support::readFile(target()), "kept");
    EXPECT_EQ(percent_, -7);
}

TEST_F(StreamSiftTransferTest, EmptyBodyIsAnEmptyFile) {
    EXPECT_EQ(getFile(server_.url("/empty"), target()), DLL_StreamSift::kDone);
    EXPECT_EQ(std::filesystem::file_size(target()), 0u);
}

}  // namespace
