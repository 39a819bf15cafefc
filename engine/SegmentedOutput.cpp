#include "engine/SegmentedOutput.h"

#include "engine/FFmpegException.h"
#include "engine/OutputPlacement.h"
#include "media/MediaFileName.h"
#include "media/MediaText.h"
#include "media/TextFormat.h"

#include <nlohmann/json.hpp>

extern "C" {
#include <libavformat/avformat.h>
}

#include <algorithm>
#include <deque>
#include <queue>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

constexpr int kRecordVersion = 1;
constexpr const char* kRecordName = "record.json";
constexpr const char* kLockName = "lock";

std::string FolderFile(const std::string& folder, const std::string& name) { return folder + "/" + name; }

// write(2) of everything, then fsync.
bool WriteAll(int fd, const std::string& text)
{
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<size_t>(n);
    }
    return fsync(fd) == 0;
}

void SyncFile(const std::string& path)
{
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
        fsync(fd);
        close(fd);
    }
}

std::string SegmentFileName(size_t index) { return FormatText("%05zu.nut", index); }

}  // namespace

std::string SegmentFolderName(const std::string& finalName)
{
    const std::string part = PartFileName(WithoutFileNumber(finalName));
    return part.substr(0, part.size() - std::strlen(".part")) + ".segments";
}

SourceStamp SourceStampOf(const std::string& path)
{
    SourceStamp stamp;
    struct stat st {};
    if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return stamp;
    stamp.sizeBytes = st.st_size;
    stamp.mtimeNs = static_cast<int64_t>(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec;
    return stamp;
}

bool ReadSegmentRecord(const std::string& folder, SegmentRecord& record, std::string& problem)
{
    std::ifstream in(FolderFile(folder, kRecordName), std::ios::binary);
    if (!in) {
        problem = "no record";
        return false;
    }
    try {
        const json j = json::parse(in);
        if (j.at("version").get<int>() != kRecordVersion) {
            problem = "another version";
            return false;
        }
        SegmentRecord r;
        r.sourcePath = j.at("source").at("path").get<std::string>();
        r.source.sizeBytes = j.at("source").at("size").get<int64_t>();
        r.source.mtimeNs = j.at("source").at("mtimeNs").get<int64_t>();
        r.settings = j.at("settings").get<std::string>();
        r.lengthUs = j.at("lengthUs").get<int64_t>();
        for (const json& s : j.at("streams")) {
            r.types.push_back(s.at("type").get<int>());
            r.timeBases.push_back(AVRational{s.at("tbNum").get<int>(), s.at("tbDen").get<int>()});
        }
        for (const json& s : j.at("segments")) {
            SegmentEntry e;
            e.file = s.at("file").get<std::string>();
            e.last = s.at("last").get<bool>();
            e.endTs = s.at("endTs").get<std::vector<int64_t>>();
            if (e.endTs.size() != r.types.size() || e.file.find('/') != std::string::npos) {
                problem = "damaged segment entry";
                return false;
            }
            r.segments.push_back(std::move(e));
        }
        record = std::move(r);
        return true;
    } catch (const std::exception& e) {
        problem = e.what();
        return false;
    }
}

bool WriteSegmentRecord(const std::string& folder, const SegmentRecord& record, std::string& error)
{
    json j;
    j["version"] = kRecordVersion;
    j["source"] = {{"path", record.sourcePath}, {"size", record.source.sizeBytes}, {"mtimeNs", record.source.mtimeNs}};
    j["settings"] = record.settings;
    j["lengthUs"] = record.lengthUs;
    json streams = json::array();
    for (size_t i = 0; i < record.types.size(); ++i)
        streams.push_back(
            {{"type", record.types[i]}, {"tbNum", record.timeBases[i].num}, {"tbDen", record.timeBases[i].den}});
    j["streams"] = streams;
    json segments = json::array();
    for (const SegmentEntry& e : record.segments)
        segments.push_back({{"file", e.file}, {"last", e.last}, {"endTs", e.endTs}});
    j["segments"] = segments;

    const std::string path = FolderFile(folder, kRecordName);
    const std::string temporary = path + ".new";
    const int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        error = ErrorText(temporary, AVERROR(errno));
        return false;
    }
    const bool written = WriteAll(fd, j.dump(1));
    const int writeErrno = errno;
    close(fd);
    if (!written || rename(temporary.c_str(), path.c_str()) != 0) {
        error = ErrorText(path, AVERROR(written ? errno : writeErrno));
        unlink(temporary.c_str());
        return false;
    }
    return true;
}

KeptPart KeptPartOf(const SegmentRecord& record)
{
    KeptPart kept;
    while (kept.segments < record.segments.size() && !record.segments[kept.segments].last)
        ++kept.segments;
    if (kept.segments == 0)
        return kept;
    kept.endTs = record.segments[kept.segments - 1].endTs;
    kept.timeBases = record.timeBases;
    int chosen = -1;
    for (size_t i = 0; i < record.types.size(); ++i)
        if (record.types[i] == AVMEDIA_TYPE_VIDEO || (chosen < 0 && record.types[i] == AVMEDIA_TYPE_AUDIO))
            chosen = static_cast<int>(i);
    if (chosen >= 0 && static_cast<size_t>(chosen) < record.timeBases.size())
        kept.keptUs = av_rescale_q(kept.endTs[chosen], record.timeBases[chosen], AV_TIME_BASE_Q);
    if (kept.keptUs <= 0)
        kept = KeptPart{};
    return kept;
}

int ResumePoint::Percent() const
{
    if (keptUs < 0 || lengthUs <= 0)
        return -1;
    return static_cast<int>(std::clamp<int64_t>(keptUs * 100 / lengthUs, 0, 99));
}

ResumePoint FindResumePoint(const std::string& finalName, const std::string& source)
{
    ResumePoint point;
    SegmentRecord record;
    std::string problem;
    if (finalName.empty() || !ReadSegmentRecord(SegmentFolderName(finalName), record, problem))
        return point;
    std::error_code ignored;
    if (fs::weakly_canonical(source, ignored).string() != record.sourcePath || SourceStampOf(source) != record.source)
        return point;
    const KeptPart kept = KeptPartOf(record);
    if (kept.segments == 0)
        return point;
    point.keptUs = kept.keptUs;
    point.lengthUs = record.lengthUs;
    return point;
}

std::string ResumeTimeText(int64_t us)
{
    const int64_t seconds = std::max<int64_t>(us, 0) / AV_TIME_BASE;
    return FormatText("%02lld:%02lld:%02lld", static_cast<long long>(seconds / 3600),
                      static_cast<long long>(seconds / 60 % 60), static_cast<long long>(seconds % 60));
}

// --- the folder lock ---------------------------------------------------------------

SegmentFolderLock::~SegmentFolderLock()
{
    if (fd_ >= 0)
        close(fd_);
}

bool SegmentFolderLock::Take(const std::string& folder)
{
    std::error_code code;
    fs::create_directories(folder, code);
    if (!fs::is_directory(folder, code))
        return false;
    const int fd = open(FolderFile(folder, kLockName).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        close(fd);
        return false;
    }
    fd_ = fd;
    return true;
}

// --- the writer ----------------------------------------------------------------------

SegmentWriter::SegmentWriter(std::string folder, SegmentRecord record, const std::vector<const AVStream*>& streams,
                             const KeptPart& kept, int64_t resumeUs)
    : folder_(std::move(folder)), record_(std::move(record)), copy_(av_packet_alloc())
{
    if (!copy_)
        throw std::bad_alloc();
    record_.segments.resize(std::min(record_.segments.size(), kept.segments));
    record_.timeBases.clear();
    for (const SegmentEntry& e : record_.segments)
        files_.push_back(e.file);
    for (size_t i = 0; i < streams.size(); ++i) {
        const AVStream* st = streams[i];
        AVCodecParametersPtr par{avcodec_parameters_alloc()};
        if (!par || avcodec_parameters_copy(par.get(), st->codecpar) < 0)
            throw std::bad_alloc();
        par->codec_tag = 0;  // NUT names the codec its own way
        const int type = st->codecpar->codec_type;
        types_.push_back(type);
        timeBases_.push_back(st->time_base);
        record_.timeBases.push_back(st->time_base);
        params_.push_back(std::move(par));
        offsets_.push_back(av_rescale_q(resumeUs, AV_TIME_BASE_Q, st->time_base));
        shifts_.push_back(av_rescale_q(kSegmentTimeShiftUs, AV_TIME_BASE_Q, st->time_base));
        const int64_t keptEnd = i < kept.endTs.size() && i < kept.timeBases.size()
                                    ? av_rescale_q(kept.endTs[i], kept.timeBases[i], st->time_base)
                                    : 0;
        keptEnds_.push_back(keptEnd);
        ends_.push_back(keptEnd);
        joining_.push_back(kept.segments > 0 && type == AVMEDIA_TYPE_AUDIO);
        if (type == AVMEDIA_TYPE_VIDEO &&
            (splitStream_ < 0 || types_[static_cast<size_t>(splitStream_)] != AVMEDIA_TYPE_VIDEO))
            splitStream_ = static_cast<int>(i);
        else if (type == AVMEDIA_TYPE_AUDIO && splitStream_ < 0)
            splitStream_ = static_cast<int>(i);
    }
    nextBoundaryUs_ = (resumeUs / kSegmentLengthUs + 1) * kSegmentLengthUs;
    nextKeyUs_ = nextBoundaryUs_;
    std::string error;
    if (!WriteSegmentRecord(folder_, record_, error))
        throw FFmpegException(error);
}

SegmentWriter::~SegmentWriter()
{
    if (syncing_.joinable())
        syncing_.join();
    if (!current_)
        return;
    if (current_->pb)
        avio_closep(&current_->pb);
    avformat_free_context(current_);
}

int64_t SegmentWriter::ToUs(int streamIndex, int64_t ts) const
{
    return av_rescale_q(ts, timeBases_[static_cast<size_t>(streamIndex)], AV_TIME_BASE_Q);
}

bool SegmentWriter::KeyFrameDue(int streamIndex, int64_t localPts)
{
    if (streamIndex != splitStream_ || types_[static_cast<size_t>(streamIndex)] != AVMEDIA_TYPE_VIDEO)
        return false;
    const int64_t us = ToUs(streamIndex, localPts + offsets_[static_cast<size_t>(streamIndex)]);
    if (us < nextKeyUs_)
        return false;
    nextKeyUs_ = (us / kSegmentLengthUs + 1) * kSegmentLengthUs;
    return true;
}

void SegmentWriter::Open()
{
    const std::string name = SegmentFileName(files_.size());
    const std::string path = FolderFile(folder_, name);
    AVFormatContext* oc = nullptr;
    if (avformat_alloc_output_context2(&oc, nullptr, "nut", nullptr) < 0 || !oc)
        throw FFmpegException("Could not make a segment of the output");
    current_ = oc;
    for (size_t i = 0; i < params_.size(); ++i) {
        AVStream* st = avformat_new_stream(oc, nullptr);
        if (!st || avcodec_parameters_copy(st->codecpar, params_[i].get()) < 0)
            throw std::bad_alloc();
        st->time_base = timeBases_[i];
    }
    // the times are made positive by the shift; nothing may move them again
    oc->avoid_negative_ts = AVFMT_AVOID_NEG_TS_DISABLED;
    int ret = avio_open2(&oc->pb, MediaFileName(path).c_str(), AVIO_FLAG_WRITE, nullptr, nullptr);
    if (ret < 0)
        throw FFmpegException(ErrorText(path, ret));
    ret = avformat_write_header(oc, nullptr);
    if (ret < 0)
        throw FFmpegException(ErrorText(path, ret));
    files_.push_back(name);
    packetsInCurrent_ = 0;
}

void SegmentWriter::Close(bool record)
{
    if (!current_)
        return;
    AVFormatContext* oc = current_;
    current_ = nullptr;
    int ret = av_write_trailer(oc);
    if (oc->pb) {
        avio_flush(oc->pb);
        if (ret >= 0 && oc->pb->error < 0)
            ret = oc->pb->error;
        avio_closep(&oc->pb);
    }
    avformat_free_context(oc);
    const std::string path = FolderFile(folder_, files_.back());
    if (ret < 0)
        throw FFmpegException(ErrorText(path, ret));
    if (!record)
        return;
    WaitForSync();
    record_.segments.push_back(SegmentEntry{files_.back(), false, ends_});
    // the record names a segment only once it is on the disk
    syncing_ = std::thread([this, path, record = record_] {
        SyncFile(path);
        std::string error;
        if (!WriteSegmentRecord(folder_, record, error))
            syncFailure_ = error;
    });
}

void SegmentWriter::WaitForSync()
{
    if (syncing_.joinable())
        syncing_.join();
    if (!syncFailure_.empty())
        throw FFmpegException(std::exchange(syncFailure_, std::string()));
}

bool SegmentWriter::Write(int streamIndex, AVPacket* packet)
{
    const size_t i = static_cast<size_t>(streamIndex);
    if (i >= params_.size())
        return true;
    int64_t duration = packet->duration;
    if (duration <= 0 && types_[i] == AVMEDIA_TYPE_AUDIO && params_[i]->frame_size > 0 && params_[i]->sample_rate > 0)
        duration = av_rescale_q(params_[i]->frame_size, AVRational{1, params_[i]->sample_rate}, timeBases_[i]);
    const int64_t localPts = packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts;
    if (joining_[i] && localPts != AV_NOPTS_VALUE) {
        // A resumed run's audio: the encoder's priming (packets mostly
        // before this run's sound begins) is left out, and the first real
        // packet continues exactly where the kept audio ends.
        const int64_t start = localPts + offsets_[i];
        if (start + std::max<int64_t>(duration, 0) / 2 <= keptEnds_[i]) {
            av_packet_unref(packet);
            return false;
        }
        offsets_[i] += keptEnds_[i] - start;
        joining_[i] = false;
    }
    if (packet->pts != AV_NOPTS_VALUE)
        packet->pts += offsets_[i];
    if (packet->dts != AV_NOPTS_VALUE)
        packet->dts += offsets_[i];
    const int64_t pts = packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts;

    if (streamIndex == splitStream_ && current_ && pts != AV_NOPTS_VALUE && ToUs(streamIndex, pts) >= nextBoundaryUs_ &&
        (types_[i] != AVMEDIA_TYPE_VIDEO || (packet->flags & AV_PKT_FLAG_KEY))) {
        // the video before this key picture is complete up to its time
        if (types_[i] == AVMEDIA_TYPE_VIDEO)
            ends_[i] = pts;
        Close(true);
        nextBoundaryUs_ = (ToUs(streamIndex, pts) / kSegmentLengthUs + 1) * kSegmentLengthUs;
    }
    if (!current_)
        Open();
    if (pts != AV_NOPTS_VALUE)
        ends_[i] = std::max(ends_[i], pts + std::max<int64_t>(duration, 0));
    packet->duration = duration;
    packet->time_base = timeBases_[i];
    if (av_packet_ref(copy_.get(), packet) < 0)
        throw std::bad_alloc();
    AVPacket* copy = copy_.get();
    if (copy->pts != AV_NOPTS_VALUE)
        copy->pts += shifts_[i];
    if (copy->dts != AV_NOPTS_VALUE)
        copy->dts += shifts_[i];
    copy->stream_index = streamIndex;
    av_packet_rescale_ts(copy, timeBases_[i], current_->streams[i]->time_base);
    const int ret = av_interleaved_write_frame(current_, copy);
    av_packet_unref(copy);
    if (ret < 0)
        throw FFmpegException("av_interleaved_write_frame(): " + ErrorCodeText(ret));
    ++packetsInCurrent_;
    return true;
}

void SegmentWriter::Finish()
{
    Close(false);
    WaitForSync();
}

// --- the join ---------------------------------------------------------------------------

namespace {

// NUT keeps the presentation times only and gives no decoding time to the
// first pictures of a file: the join gives every video packet the decoding
// time the encoder gave it, the k-th smallest presentation time less the
// stream's reordering delay (a look-ahead longer than the reordering finds it).
class DecodingTimes {
public:
    DecodingTimes(int delayFrames, int64_t frameTicks) : delayTicks_(delayFrames * frameTicks) {}
    // Takes `packet`; the packets whose decoding time is now known, in order.
    void Push(AVPacketPtr packet, std::vector<AVPacketPtr>& ready)
    {
        if (packet->pts != AV_NOPTS_VALUE)
            times_.push(packet->pts);
        waiting_.push_back(std::move(packet));
        while (waiting_.size() > kLookAhead)
            Emit(ready);
    }
    void Flush(std::vector<AVPacketPtr>& ready)
    {
        while (!waiting_.empty())
            Emit(ready);
    }

private:
    static constexpr size_t kLookAhead = 16;
    void Emit(std::vector<AVPacketPtr>& ready)
    {
        AVPacketPtr packet = std::move(waiting_.front());
        waiting_.pop_front();
        if (!times_.empty()) {
            packet->dts = times_.top() - delayTicks_;
            times_.pop();
        } else if (packet->dts == AV_NOPTS_VALUE) {
            packet->dts = packet->pts;
        }
        ready.push_back(std::move(packet));
    }
    int64_t delayTicks_;
    std::deque<AVPacketPtr> waiting_;
    std::priority_queue<int64_t, std::vector<int64_t>, std::greater<>> times_;
};

}  // namespace

void JoinSegments(const std::string& folder, const std::vector<std::string>& files, AVFormatContext* oc,
                  std::vector<int64_t>& packetsPerStream)
{
    packetsPerStream.assign(oc->nb_streams, 0);
    // per stream, in the target's time base
    std::vector<std::unique_ptr<DecodingTimes>> decodingTimes(oc->nb_streams);
    for (unsigned i = 0; i < oc->nb_streams; ++i) {
        const AVStream* st = oc->streams[i];
        int64_t frameTicks = 0;
        if (st->avg_frame_rate.num > 0 && st->avg_frame_rate.den > 0)
            frameTicks = av_rescale_q(1, av_inv_q(st->avg_frame_rate), st->time_base);
        if (st->codecpar->codec_type == AVMEDIA_TYPE_VIDEO)
            decodingTimes[i] = std::make_unique<DecodingTimes>(st->codecpar->video_delay, frameTicks);
    }
    auto write = [&](AVPacket* packet) {
        const unsigned index = static_cast<unsigned>(packet->stream_index);
        const int ret = av_interleaved_write_frame(oc, packet);
        if (ret < 0)
            throw FFmpegException("av_interleaved_write_frame(): " + ErrorCodeText(ret));
        ++packetsPerStream[index];
    };
    std::vector<AVPacketPtr> ready;
    for (const std::string& name : files) {
        const std::string path = FolderFile(folder, name);
        AVFormatContext* raw = nullptr;
        int ret = avformat_open_input(&raw, MediaFileName(path).c_str(), av_find_input_format("nut"), nullptr);
        if (ret < 0)
            throw FFmpegException(ErrorText(path, ret));
        AVFormatInputPtr in{raw};
        for (;;) {
            AVPacketPtr packet{av_packet_alloc()};
            if (!packet)
                throw std::bad_alloc();
            ret = av_read_frame(in.get(), packet.get());
            if (ret == AVERROR_EOF)
                break;
            if (ret < 0)
                throw FFmpegException(ErrorText(path, ret));
            const unsigned index = static_cast<unsigned>(packet->stream_index);
            if (index >= oc->nb_streams || index >= in->nb_streams)
                continue;
            const AVRational from = in->streams[index]->time_base;
            const int64_t shift = av_rescale_q(kSegmentTimeShiftUs, AV_TIME_BASE_Q, from);
            if (packet->pts != AV_NOPTS_VALUE)
                packet->pts -= shift;
            if (packet->dts != AV_NOPTS_VALUE)
                packet->dts -= shift;
            av_packet_rescale_ts(packet.get(), from, oc->streams[index]->time_base);
            packet->pos = -1;
            if (!decodingTimes[index]) {
                if (packet->dts == AV_NOPTS_VALUE)
                    packet->dts = packet->pts;
                write(packet.get());
                continue;
            }
            ready.clear();
            decodingTimes[index]->Push(std::move(packet), ready);
            for (AVPacketPtr& out : ready)
                write(out.get());
        }
    }
    for (auto& times : decodingTimes) {
        if (!times)
            continue;
        ready.clear();
        times->Flush(ready);
        for (AVPacketPtr& out : ready)
            write(out.get());
    }
}
