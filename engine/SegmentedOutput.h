#pragma once
// An output written so that an interrupted run can go on where it stopped.
// The run writes its encoded packets into segments of about ten seconds
// (NUT files in a hidden folder beside the output, each video segment
// starting with a key frame), with a record of the segments that are
// complete, the source's size and modification time, the clip and the
// target's settings, while it writes the same packets into the target
// container itself: a run that is not stopped has its output when it ends,
// and its segments go. A later run with the same source, clip and settings
// keeps the complete segments, copies them into its output first and encodes
// only the rest.
//
// Times: every segment holds the output's own time line (the time of the
// whole output, not of the run that wrote it), in the time base of each
// output stream, shifted by kSegmentTimeShiftUs so that no time is negative.
#include "media/FFHandles.h"

#include <cstdint>
#include <string>
#include <thread>
#include <vector>

inline constexpr int64_t kSegmentLengthUs = 10'000'000;
inline constexpr int64_t kSegmentTimeShiftUs = 10'000'000;

// The hidden folder of the segments of `finalName` ("D/.clip.mp4.segments");
// "(New_n)" numbers are dropped, so a run that has to take the next number
// still finds what the interrupted run wrote.
std::string SegmentFolderName(const std::string& finalName);

// What identifies a source file between runs.
struct SourceStamp {
    int64_t sizeBytes = -1;  // -1: not a readable regular file
    int64_t mtimeNs = 0;
    bool operator==(const SourceStamp&) const = default;
};
SourceStamp SourceStampOf(const std::string& path);

// One complete segment.
struct SegmentEntry {
    std::string file;  // name in the folder
    bool last = false;  // ended with its run's media, not at a boundary
    std::vector<int64_t> endTs;  // per stream: where the stream has got to, stream time base
};

struct SegmentRecord {
    std::string sourcePath;  // absolute
    SourceStamp source;
    std::string settings;  // the target and its encoders, as one text
    int64_t lengthUs = -1;  // the output's expected length; -1 unknown
    std::vector<int> types;  // AVMediaType per stream
    std::vector<AVRational> timeBases;  // the output's, once its header is written
    std::vector<SegmentEntry> segments;  // complete ones, in order
};

// Reads folder/record.json; false (with `problem`) when missing or unreadable.
bool ReadSegmentRecord(const std::string& folder, SegmentRecord& record, std::string& problem);
// Writes folder/record.json atomically (temporary file, fsync, rename).
bool WriteSegmentRecord(const std::string& folder, const SegmentRecord& record, std::string& error);

// The part a resumed run keeps: the complete segments up to the first that
// ended with its run's media (that one is made again, with its join).
struct KeptPart {
    size_t segments = 0;
    std::vector<int64_t> endTs;  // per stream, as in the last kept segment
    std::vector<AVRational> timeBases;  // of endTs, per stream
    int64_t keptUs = 0;  // where the kept video ends (audio for audio only)
};
KeptPart KeptPartOf(const SegmentRecord& record);

// What an interrupted conversion of `source` into `finalName` left that the
// next run of the same settings takes up: keptUs < 0 when nothing (no
// record, another or a changed source, no complete segment).
struct ResumePoint {
    int64_t keptUs = -1;
    int64_t lengthUs = -1;
    // how much is done in percent, 0..99; -1 when the length is unknown
    int Percent() const;
};
ResumePoint FindResumePoint(const std::string& finalName, const std::string& source);
// "00:01:23" of a time, whole seconds.
std::string ResumeTimeText(int64_t us);

// Exclusive use of a segment folder by one run (a lock file in it).
class SegmentFolderLock {
public:
    SegmentFolderLock() = default;
    ~SegmentFolderLock();
    SegmentFolderLock(const SegmentFolderLock&) = delete;
    SegmentFolderLock& operator=(const SegmentFolderLock&) = delete;
    // Makes the folder when missing; false when it cannot be made or another
    // run holds it.
    bool Take(const std::string& folder);
    bool Held() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

// Writes the packets of one output into segments.
class SegmentWriter {
public:
    // `streams`: the output's streams with their final parameters and time
    // bases. `record` holds the segments kept from an earlier run (`kept`
    // describes them); `resumeUs` is where this run's time 0 lies on the
    // output's time line.
    SegmentWriter(std::string folder, SegmentRecord record, const std::vector<const AVStream*>& streams,
                  const KeptPart& kept, int64_t resumeUs);
    ~SegmentWriter();
    SegmentWriter(const SegmentWriter&) = delete;
    SegmentWriter& operator=(const SegmentWriter&) = delete;

    // Whether the video picture at `localPts` (this run's time, stream time
    // base) must be a key frame: the first at or after each boundary.
    bool KeyFrameDue(int streamIndex, int64_t localPts);
    // One packet of stream `streamIndex` in this run's time, stream time
    // base: puts it on the output's time line and writes a reference to it
    // into the open segment. False when the packet is left out (a resumed
    // run's audio before the kept sound ends), which the caller then drops.
    // Raises FFmpegException.
    bool Write(int streamIndex, AVPacket* packet);
    // Closes the open segment and waits until the segments recorded so far
    // are on the disk. A segment that ends the run is not recorded: after a
    // whole output the segments go, and after a stop the open segment is
    // incomplete. Raises FFmpegException when a record could not be written.
    void Finish();
    // Every segment written, kept ones first, in order.
    const std::vector<std::string>& Files() const { return files_; }
    const std::string& Folder() const { return folder_; }

private:
    void Open();
    void Close(bool record);
    // Waits for the segment handed to the disk last; raises its failure.
    void WaitForSync();
    int64_t ToUs(int streamIndex, int64_t ts) const;

    std::string folder_;
    SegmentRecord record_;
    std::vector<AVCodecParametersPtr> params_;
    std::vector<AVRational> timeBases_;
    std::vector<int> types_;
    std::vector<int64_t> offsets_;  // this run's time -> the output's, stream time base
    std::vector<int64_t> ends_;  // per stream, the output's time
    std::vector<int64_t> shifts_;  // kSegmentTimeShiftUs per stream
    std::vector<int64_t> keptEnds_;  // per stream: where the kept part ends
    std::vector<bool> joining_;  // audio: the first packets of a resumed run are still to fit
    int splitStream_ = -1;  // the stream whose packets open a new segment
    int64_t nextBoundaryUs_ = kSegmentLengthUs;
    int64_t nextKeyUs_ = kSegmentLengthUs;
    std::vector<std::string> files_;
    AVFormatContext* current_ = nullptr;  // owns its pb
    AVPacketPtr copy_;  // the segment's reference to the packet being written
    size_t packetsInCurrent_ = 0;
    // A closed segment goes to the disk, and then into the record, on a
    // thread of its own, so that the run does not wait for the disk (an
    // fsync also writes out what other programs left unwritten). One at a
    // time, in order: the next close waits for the one before.
    std::thread syncing_;
    std::string syncFailure_;  // written by syncing_, read once it has ended
};

// Copies the packets of `files` (in `folder`, in order) into `oc`, whose
// header is written, stream i to stream i, taking the time shift off;
// counts the packets per stream. A resumed run's output opens so with the
// kept part. Raises FFmpegException.
void JoinSegments(const std::string& folder, const std::vector<std::string>& files, AVFormatContext* oc,
                  std::vector<int64_t>& packetsPerStream);
