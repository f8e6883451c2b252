// The one road by which the program writes a file: scenes, images and the
// scene dump. The content goes to a new file beside the target, is flushed
// to the disk and only then renamed over the target, so that a full disk,
// a missing permission or an interrupted save never costs the user the file
// being replaced.
#pragma once
#include <cstdio>
#include <functional>
#include <string>

struct SafeWriteOptions {
    // First line of the message when the new file cannot be created, and
    // when a later step fails; "Cannot write PATH" when left empty.
    std::string create_failure;
    std::string write_failure;
    // The bytes of the replaced file beyond those written are kept after
    // them (a RAW image written over a longer file).
    bool keep_tail = false;
};

// Writes `path` with `fill`, which writes the whole content to the stream
// and returns false when it has to give up. 1 when the new content is in
// place. 0 on any failure: the target is exactly as it was, nothing is left
// beside it, and one message box says what failed and in which folder.
//
// A symbolic link is followed (the file it names is replaced); a device or
// a pipe is written directly, as there is nothing to keep.
int write_file_safely(const std::string& path, const std::function<bool(FILE*)>& fill,
                      const SafeWriteOptions& options = {});

// Failures made on purpose, for tests: the nth time `step` runs from now on
// it fails with the error number `error` (nth 0 never). reset() clears.
namespace safe_write_faults {
enum class Step { Create, Write, Sync, Close, Rename, Count };
void fail(Step step, int nth, int error);
void reset();
} // namespace safe_write_faults
