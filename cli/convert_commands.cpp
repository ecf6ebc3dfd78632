// clipwright-cli convert: a conversion job with the program's format table
// and output naming, with progress on standard error.
#include "cli/command.h"
#include "kestrel/kestrel.h"
#include "library/formats/format_table.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <thread>

namespace {

int runConvert(const std::vector<std::string>& args);

const cli::Command kConvert{"convert", "SOURCE FORMAT [--out-dir DIR]",
                            "convert a media file with the preset of a format name (mp4, mkv, "
                            "mp3 ...) into DIR (default: the current folder)",
                            runConvert};
const cli::Registrar convertRegistrar(kConvert);

void showProgress(kestrel_handle converter) {
    const std::int64_t total = Converter_GetDuration(converter);
    const std::int64_t done = Converter_GetConvertTime(converter);
    const double percent = total > 0 ? 100.0 * static_cast<double>(done) / total : 0.0;
    std::fprintf(stderr, "\rconverting %5.1f%%", percent > 100.0 ? 100.0 : percent);
    std::fflush(stderr);
}

// Polls the job until it ends, often enough that little time passes
// between its end and ours; the progress line changes twice a second.
int waitForJob(kestrel_handle converter) {
    constexpr auto kPoll = std::chrono::milliseconds(20);
    constexpr int kPollsPerProgressLine = 25;
    int completed = 0;
    for (int poll = 0; (completed = Converter_IsCompleted(converter)) == 0; ++poll) {
        if (poll % kPollsPerProgressLine == 0)
            showProgress(converter);
        std::this_thread::sleep_for(kPoll);
    }
    showProgress(converter);
    std::fputc('\n', stderr);
    return completed;
}

int runConvert(const std::vector<std::string>& args) {
    const cli::Arguments arguments(args);
    if (!arguments.ok() || arguments.positional().size() != 2 ||
        !arguments.unknown({"out-dir"}).empty())
        return cli::usageError(kConvert);
    const std::string& source = arguments.positional()[0];
    const formats::OutputFormat* format = formats::findOutputFormat(arguments.positional()[1]);
    if (!format) {
        std::cerr << "convert: unknown format " << arguments.positional()[1] << "\n";
        return cli::kUsageError;
    }
    const std::string outDir = arguments.option("out-dir").value_or(".");
    std::error_code error;
    std::filesystem::create_directories(outDir, error);
    const std::string target = formats::outputPathFor(source, outDir, format->extension);

    std::string failure;
    const kestrel_handle converter = formats::openConversion(*format, source, target, &failure);
    if (!converter) {
        std::cerr << "convert: cannot convert " << source << " to " << format->name << ": "
                  << failure << "\n";
        return 1;
    }
    const bool started = Converter_Start(converter);
    const int completed = started ? waitForJob(converter) : -1;
    if (completed != 1)
        failure = started ? Converter_GetErrorText(converter) : "the job did not start";
    Converter_Close(converter);
    Converter_Release(converter);
    // A failed job leaves nothing under the target's name.
    if (completed != 1) {
        std::cerr << "convert: converting " << source << " failed: " << failure << "\n";
        return 1;
    }
    std::cout << target << "\n";
    return 0;
}

}  // namespace
