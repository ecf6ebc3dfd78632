/*
 * kestrel: the media engine of clipwright.
 *
 * A flat C interface in four families: player, probe, converter and
 * conversion settings.
 *
 * Conventions shared by every function:
 * - Objects are named by opaque 32-bit handles (kestrel_handle). 0 is never a
 *   valid handle and is what a failed creation returns. Each family keeps its
 *   own handles: a probe handle passed to a player function is refused, and
 *   so is a handle that was released or never existed.
 * - Functions that report success return an int that is non-zero on success
 *   ("ok") and 0 on failure. No function throws or aborts on bad input.
 * - Paths and texts are NUL-terminated UTF-8.
 * - Times and durations are signed 64-bit microseconds.
 * - Threads: every function may be called from any one thread (the GUI
 *   thread in the program); calls on the same handle must not overlap. The
 *   engine never calls back: converters and players run on threads of their
 *   own and are polled. No function waits for media work to finish, except
 *   where its description says so.
 */
#ifndef KESTREL_KESTREL_H
#define KESTREL_KESTREL_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(KESTREL_BUILDING)
#define KESTREL_API __attribute__((visibility("default")))
#else
#define KESTREL_API
#endif

typedef uint32_t kestrel_handle;

/* ------------------------------------------------------------------------
 * Player: plays one media file at a time into a native window, on libmpv.
 *
 * Typical order: Player_Create, Player_Open, Player_SetVideoView,
 * Player_Play, then poll Player_GetPlayTime / Player_IsCompleted from a
 * timer, and Player_Close / Player_Release at the end.
 *
 * Player_Open reads the file's facts (streams, size, duration) itself, so
 * Player_HasVideo, Player_HasAudio, Player_GetVideoWidth/Height and
 * Player_GetDuration answer at once. The file is handed to the playback core
 * at the first Player_Play, so a window given by Player_SetVideoView before
 * that call is the one the video is drawn into.
 *
 * Outputs: video goes to the given X11 window (GPU output through EGL, with
 * plain X11 drawing as the fallback); audio tries PulseAudio, then ALSA, and
 * plays silently when there is no sound device. The environment variables
 * KESTREL_VO and KESTREL_AO, when set, replace these choices (for example
 * "null" for tests and headless machines).
 * ---------------------------------------------------------------------- */

/* Creates a player. `code` is accepted for compatibility (the program passes
 * 27) and has no effect. Returns 0 when the playback core cannot start. */
KESTREL_API kestrel_handle Player_Create(int code);

/* Sets the volume, 0 (mute) to 100 (full); values outside are clamped.
 * Kept across files. Returns ok. */
KESTREL_API int Player_SetAudioVolume(kestrel_handle h, int volume);

/* Opens `path` (UTF-8) for playback, replacing any open file, and leaves it
 * stopped at time 0. Returns 0 when the file cannot be read as media. */
KESTREL_API int Player_Open(kestrel_handle h, const char* path);

/* Non-zero when the open file has a video (resp. audio) stream. */
KESTREL_API int Player_HasVideo(kestrel_handle h);
KESTREL_API int Player_HasAudio(kestrel_handle h);

/* Makes the player draw into the native window `window` (an X11 window id);
 * 0 lets the core open a window of its own. Takes effect for video started
 * after this call; the program calls it between Player_Open and
 * Player_Play. Changing the window while a file plays restarts the file at
 * its current time. Returns ok. */
KESTREL_API int Player_SetVideoView(kestrel_handle h, uintptr_t window);

/* Starts or resumes playback; after the end, starts again from the
 * beginning. Returns 0 when no file is open. */
KESTREL_API int Player_Play(kestrel_handle h);

/* Pauses. Returns 0 when no file is open. */
KESTREL_API int Player_Pause(kestrel_handle h);

/* Stops playback and returns to time 0; the file stays open, and
 * Player_Play plays it again from the start. Returns 0 when no file is
 * open. */
KESTREL_API int Player_Stop(kestrel_handle h);

/* Non-zero once playback has reached the end of the file (or the file
 * turned out to be unplayable while playing). Cleared by Player_Play,
 * Player_Seek, Player_Stop and Player_Open. */
KESTREL_API int Player_IsCompleted(kestrel_handle h);

/* Seeks to `time` microseconds from the start (clamped at 0). The new time
 * is reported by Player_GetPlayTime at once. */
KESTREL_API void Player_Seek(kestrel_handle h, int64_t time);

/* Current playback time and the file's duration, in microseconds; 0 when
 * unknown or no file is open. */
KESTREL_API int64_t Player_GetPlayTime(kestrel_handle h);
KESTREL_API int64_t Player_GetDuration(kestrel_handle h);

/* Size of the open file's video in pixels; 0 without video. */
KESTREL_API int Player_GetVideoWidth(kestrel_handle h);
KESTREL_API int Player_GetVideoHeight(kestrel_handle h);

/* Asks for the current frame to be drawn again (for example after the
 * window was uncovered while paused). Returns 0 when no video is shown. */
KESTREL_API int Player_ShowVideoFrame(kestrel_handle h);

/* Closes the open file; the player stays usable for Player_Open. */
KESTREL_API void Player_Close(kestrel_handle h);

/* Frees the player and its playback core; `h` is invalid afterwards. Waits
 * for the core's threads to end (a few milliseconds). */
KESTREL_API void Player_Release(kestrel_handle h);

/* ------------------------------------------------------------------------
 * Probe: facts and frames of one media file, read synchronously.
 * ---------------------------------------------------------------------- */

/* Creates a probe. `mode` (3 or -1 in the program) is accepted and has no
 * effect. */
KESTREL_API kestrel_handle Info_Create(int mode);

/* Opens `path` (UTF-8), closing any file opened before. Returns ok. */
KESTREL_API int Info_Open(kestrel_handle h, const char* path);

/* Duration in microseconds; 0 when unknown. */
KESTREL_API int64_t Info_GetDuration(kestrel_handle h);

/* Short container name, UTF-8, owned by the probe and valid until
 * Info_Close: of the names the file's demuxer goes by, the one that equals
 * the file's extension ("mp4", "mov" or "m4a" for the MP4 family, "webm"),
 * else its first name ("flv", "avi", "matroska" for a .mkv file). Null when
 * no file is open. */
KESTREL_API const char* Info_GetFormatName(kestrel_handle h);

/* Video size in pixels and video bit rate in bits per second (estimated
 * from the file's total rate when the container does not store it); 0
 * without video. */
KESTREL_API int Info_GetVideoWidth(kestrel_handle h);
KESTREL_API int Info_GetVideoHeight(kestrel_handle h);
KESTREL_API int64_t Info_GetVideoBitRate(kestrel_handle h);

/* Non-zero when the file is seekable and its duration known. */
KESTREL_API int Info_CanSeek(kestrel_handle h);

/* Returns the video frame nearest to `time` microseconds (the last frame
 * when `time` lies beyond the end) as an in-memory BMP:
 *   bytes 0-53  BITMAPFILEHEADER + BITMAPINFOHEADER, 32 bits per pixel,
 *               negative height (top row first);
 *   bytes 34-37 (little-endian) the pixel length, width * height * 4;
 *   bytes 54-   pixels, 4 bytes each in the order blue, green, red, 255.
 * The picture has exactly Info_GetVideoWidth x Info_GetVideoHeight pixels.
 * `flag` (1 for list thumbnails, 0 for snapshots) and the two reserved
 * arguments do not change the result. The buffer belongs to the probe and
 * stays valid until Info_Close or Info_Release. Null without video or on a
 * decoding failure. */
KESTREL_API const unsigned char* Info_GetVideoImage(kestrel_handle h, int64_t time, int flag,
                                                    int reserved1, int reserved2);

/* Closes the file and frees its frames; the probe may open another. */
KESTREL_API void Info_Close(kestrel_handle h);

/* Frees the probe; `h` is invalid afterwards. */
KESTREL_API void Info_Release(kestrel_handle h);

/* ------------------------------------------------------------------------
 * Conversion settings: what the converter should produce.
 *
 * Codec numbers follow the preset table's numbering:
 *   video  -1 no video stream, 1 MPEG-1, 2 MPEG-2, 5 H.263, 13 MPEG-4
 *          part 2, 17 MS-MPEG-4 v3, 19 WMV 2, 22 Flash video (FLV1),
 *          28 H.264, 141 VP8, 0x44495658 MPEG-4 part 2 tagged "XVID";
 *   audio  -1 no audio stream, 0x10000 PCM 16-bit little-endian, 0x1100d
 *          Flash ADPCM, 0x12000 AMR-NB, 0x15000 MP2, 0x15001 MP3, 0x15002
 *          AAC, 0x15003 AC-3, 0x15005 Vorbis, 0x15008 WMA v2, 0x1500c FLAC
 *          (these are today's libavcodec identifiers; any other audio
 *          encoder identifier is accepted as well).
 * A codec left unset is the container's default.
 * ---------------------------------------------------------------------- */

KESTREL_API kestrel_handle Config_Create(void);

/* Each returns ok; 0 for an unknown handle or a codec number that names no
 * codec. */
KESTREL_API int Config_SetVideoFormat(kestrel_handle c, int codec);
KESTREL_API int Config_SetAudioFormat(kestrel_handle c, int codec);

/* Encoder profile numbers as libavcodec numbers them (H.264: 66 baseline,
 * 77 main, 100 high; AAC: 0 main, 1 low complexity). */
KESTREL_API int Config_SetVideoProfile(kestrel_handle c, int profile);
KESTREL_API int Config_SetAudioProfile(kestrel_handle c, int profile);

/* H.264 level times ten (31 = level 3.1). */
KESTREL_API int Config_SetVideoLevel(kestrel_handle c, int level);

/* Non-zero: encode interlaced, top field first. */
KESTREL_API int Config_SetVideoInterlaced(kestrel_handle c, int interlaced);

KESTREL_API void Config_Release(kestrel_handle c);

/* ------------------------------------------------------------------------
 * Converter: one conversion job, run on a thread of its own.
 * ---------------------------------------------------------------------- */

/* Creates a converter. `code` (27 in the program) has no effect. */
KESTREL_API kestrel_handle Converter_Create(int code);

/* Prepares converting `source` into `target` (both UTF-8) in the container
 * `container` (a libavformat muxer name such as "mp4", "matroska", "vcd";
 * null or empty: chosen from the target's extension) with the settings
 * `config`, which the caller may release right after. The job writes a
 * hidden work file in the target's folder (".<name>.XXXXXX.part") that is
 * renamed to `target` when the job ends; until then `target` is held by an
 * empty file (when it did not exist), so that its name is taken. Returns 0
 * when the source cannot be read, the container or a codec is unknown, no
 * stream would be written or the target cannot be created; nothing is then
 * left on disk and Converter_GetErrorText says why.
 * Pictures are scaled and sounds resampled to what each encoder and
 * container accept: even sizes, the fixed picture sizes of H.263, the disc
 * standards of "vcd" and "dvd", supported rates and channel layouts. */
KESTREL_API int Converter_Open(kestrel_handle h, const char* source, const char* target,
                               const char* container, kestrel_handle config);

/* Starts the job after Converter_Open, or resumes it after Converter_Pause.
 * Returns 0 when nothing is open or the job has already ended. */
KESTREL_API int Converter_Start(kestrel_handle h);

/* Pauses a running job at its next packet and returns once it has halted
 * (one packet's work at most). Returns ok. */
KESTREL_API int Converter_Pause(kestrel_handle h);

/* Cancels the job: it stops at its next packet and the target is closed
 * with what was written so far (a playable partial file under the target's
 * name). Waits for the job's thread to end. Returns ok. */
KESTREL_API int Converter_Stop(kestrel_handle h);

/* 0 while the job runs, is paused or was stopped; 1 once the whole source
 * has been converted and the target is complete; -1 when the job ended on
 * an error: a read, decode, encode or write error (a full disk), or a
 * source that ends more than a second before its declared duration (a
 * truncated file). A failed job leaves nothing under the target's name
 * (a file that was there before stays as it was). */
KESTREL_API int Converter_IsCompleted(kestrel_handle h);

/* Why the last Converter_Open or the job failed, as UTF-8 text such as
 * "cannot write /x/y.mp4: No space left on device" or "the source ends at
 * 2.04 s, before its declared duration of 8.00 s"; empty when nothing
 * failed. Owned by the converter, valid until the next call with `h`; ""
 * for an unknown handle. */
KESTREL_API const char* Converter_GetErrorText(kestrel_handle h);

/* Source time converted so far and the source's duration, microseconds. */
KESTREL_API int64_t Converter_GetConvertTime(kestrel_handle h);
KESTREL_API int64_t Converter_GetDuration(kestrel_handle h);

/* Stops a job still running (as Converter_Stop) and frees the job; the
 * converter may be opened again. */
KESTREL_API void Converter_Close(kestrel_handle h);

/* Frees the converter (closing it first); `h` is invalid afterwards. */
KESTREL_API void Converter_Release(kestrel_handle h);

#ifdef __cplusplus
}
#endif

#endif /* KESTREL_KESTREL_H */
