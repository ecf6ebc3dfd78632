#include "sitescript/media_files.h"

#include "platform/process.h"
#include "sitescript/last_reason.h"
#include "sitescript/sitescript.h"
#include "sitescript/tooling.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <iostream>

namespace sitescript {
namespace {

constexpr std::size_t kSignatureBytes = 140;

// The last line of a program's output that holds more than blanks: where
// ffmpeg says why it gave up.
std::string lastLineOf(const std::string& output) {
    const std::size_t last = output.find_last_not_of(" \t\r\n");
    if (last == std::string::npos)
        return {};
    const std::size_t breakBefore = output.find_last_of("\r\n", last);
    const std::size_t first = breakBefore == std::string::npos ? 0 : breakBefore + 1;
    return output.substr(first, last + 1 - first);
}

bool hasText(const std::array<char, kSignatureBytes>& head, std::size_t offset, const char* text) {
    return std::memcmp(head.data() + offset, text, std::strlen(text)) == 0;
}

// Reads up to 140 bytes; the rest of the buffer stays zero. False when the
// path is not a readable regular file.
bool readHead(const std::filesystem::path& path, std::array<char, kSignatureBytes>& head) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat info {};
    bool ok = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    for (std::size_t filled = 0; ok && filled < head.size();) {
        const ssize_t n = ::read(fd, head.data() + filled, head.size() - filled);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            ok = n == 0;
            break;
        }
        filled += static_cast<std::size_t>(n);
    }
    ::close(fd);
    return ok;
}

// ffmpeg never overwrites an existing output (-n) and never reads the
// terminal (-nostdin).
std::vector<std::string> ffmpegCommand(const std::filesystem::path& ffmpeg) {
    return {ffmpeg.string(), "-hide_banner", "-nostdin", "-n", "-loglevel", "error"};
}

// Paths go to ffmpeg with the file: protocol, so that a name beginning
// with "-" or looking like a URL is still read as a local file.
std::string fileArgument(const std::filesystem::path& path) {
    return "file:" + path.string();
}

}  // namespace

int probeFileType(const std::filesystem::path& path) {
    std::array<char, kSignatureBytes> head{};
    if (!readHead(path, head))
        return FileTypeUnreadable;
    if (hasText(head, 0, "FLV\x01\x05"))
        return FileTypeFlv;
    if (hasText(head, 4, "ftyp"))
        return FileTypeMp4;
    if (hasText(head, 4, "abst") && hasText(head, 47, "asrt") && hasText(head, 73, "afrt"))
        return FileTypeF4f;
    return FileTypeOther;
}

int mergeStreams(const std::filesystem::path& output, const std::filesystem::path& input1,
                 const std::filesystem::path* input2, int mode) {
    if (mode == FileTypeF4f) {
        setLastReason(ReasonMerge, "Fragmented Flash pieces cannot be combined.");
        return -1;
    }
    const std::filesystem::path ffmpeg = platform::findProgram("ffmpeg");
    if (ffmpeg.empty()) {
        std::cerr << "sitescript: no ffmpeg in the application directory or on PATH\n";
        setLastReason(ReasonMerge, "ffmpeg was not found in the application folder or on PATH.");
        return -1;
    }
    std::vector<std::string> argv = ffmpegCommand(ffmpeg);
    if (mode == MergeModeMux) {
        if (!input2) {
            setLastReason(ReasonMerge, "The audio stream to combine with the video is missing.");
            return -1;
        }
        argv.insert(argv.end(), {"-i", fileArgument(input1), "-i", fileArgument(*input2), "-vcodec",
                                 "copy", "-acodec", "copy", fileArgument(output)});
    } else {
        argv.insert(argv.end(), {"-f", "concat", "-safe", "0", "-i", fileArgument(input1), "-c",
                                 "copy", fileArgument(output)});
    }
    const platform::ProcessResult run = platform::runProcess(argv, true);
    if (run.ok())
        return 0;
    std::cerr << "sitescript: ffmpeg "
              << (run.started ? "failed with exit status " + std::to_string(run.exitCode)
                              : std::string("could not be started"))
              << (run.output.empty() ? "" : ": ") << run.output
              << (run.output.ends_with('\n') ? "" : "\n");
    if (!run.started) {
        setLastReason(ReasonMerge, "ffmpeg could not be started.");
        return -1;
    }
    const std::string line = lastLineOf(run.output);
    setLastReason(ReasonMerge, "ffmpeg failed" + (line.empty() ? std::string(".") : ": " + line));
    return -1;
}

std::string concatList(const std::vector<std::string>& piecePaths) {
    std::string list;
    for (const std::string& path : piecePaths) {
        list += "file '";
        for (char c : path)
            list += c == '\'' ? std::string("'\\''") : std::string(1, c);
        list += "'\n";
    }
    return list;
}

}  // namespace sitescript
