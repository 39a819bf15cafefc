// convert and transcode: files added to one converter component the way the
// main window adds them, then run as one batch.
#include "cli/BatchRun.h"
#include "cli/CliCommands.h"
#include "cli/ListNames.h"
#include "cli/StopSignals.h"

#include "app/ConversionTask.h"
#include "app/ConverterDurationProbe.h"
#include "engine/CodecSelection.h"
#include "engine/CodecThreads.h"
#include "engine/OutputPlacement.h"
#include "engine/SegmentedOutput.h"
#include "engine/TMediaConverter.h"
#include "formats/ClipTimes.h"
#include "formats/FormatCatalogue.h"
#include "formats/FormatProfiles.h"
#include "formats/FormatSession.h"
#include "formats/IFormatsDialogs.h"
#include "formats/OptionWindowModel.h"

#include <filesystem>
#include <set>

namespace fs = std::filesystem;

namespace {

// The option window's messages become the file's error text.
class MessageCollector final : public IFormatsDialogs {
public:
    void ShowInformation(const std::string&, const std::string& text) override { last = text; }
    void OpenWithDefaultApplication(const std::string&) override {}
    std::string last;
};

bool Exists(const std::string& path)
{
    std::error_code ignored;
    return fs::exists(path, ignored);
}

bool IsRegularFile(const std::string& path)
{
    std::error_code ignored;
    return fs::is_regular_file(path, ignored);
}

// Why `path`, which is no regular file, cannot be converted.
std::string NotAFileReason(const std::string& path)
{
    std::error_code ignored;
    return fs::is_directory(path, ignored) ? kFolderText : Exists(path) ? "not a regular file" : "no such file";
}

// Loads the libraries into `converter` and gives it the command's progress
// interval; false after saying why the libraries did not load.
bool PrepareConverter(TMediaConverter& converter, const CliCommand& command, std::ostream& err)
{
    if (!converter.LoadAVLib("LibAV")) {
        err << "quorvex-cli: " << converter.LastErrMsg() << '\n';
        return false;
    }
    if (command.progressIntervalMs > 0)
        converter.SetProgressInterval(command.progressIntervalMs);
    return true;
}

// The output name planned at set-up: the file's own unless it exists (and
// may not be overwritten) or an earlier file of this run already writes it;
// then the first free "(New_n)" name. The finished file claims its name when
// it is put in place, so another program taking this name meanwhile only
// moves it on to the next number.
std::string ChooseOutputName(const std::string& wanted, bool overwrite, const std::set<std::string>& taken)
{
    if (!taken.contains(wanted) && (overwrite || !Exists(wanted)))
        return wanted;
    for (int n = 1;; ++n) {
        const std::string name = NumberedFileName(wanted, n);
        if (!taken.contains(name) && !Exists(name))
            return name;
    }
}

// "file: reason", without the file's name twice when the reason starts with it.
std::string FailureLine(const std::string& file, const std::string& why)
{
    const std::string prefix = file + ": ";
    return why.compare(0, prefix.size(), prefix) == 0 ? why : prefix + why;
}

// The option window's confirmation for `file`: the format's lists with the
// command line's selections, the clip, then OutputSettings. Empty on success,
// otherwise why the settings were refused.
std::string ConfirmSettings(const CliCommand& command, const std::string& file, FormatSession& session,
                            IDurationProbe* durationProbe)
{
    MessageCollector messages;
    OptionWindowModel model(session, messages);
    model.SetDurationProbe(command.clip ? durationProbe : nullptr);
    session.Settings.Reset();
    session.Settings.SourceFile = file;
    model.ResetClipCheck(true);
    model.Shown();
    for (const auto& [listName, caption] : command.selections) {
        const std::optional<OptionList> list = ListByName(listName);
        if (!list)
            return "unknown list \"" + listName + "\"";
        const ComboState& combo = model.List(*list);
        if (!combo.enabled)
            return "the list " + listName + " is not used by this format";
        int found = -1;
        for (size_t i = 0; i < combo.items.size() && found < 0; ++i)
            if (combo.items[i] == caption)
                found = static_cast<int>(i);
        if (found < 0)
            return "\"" + caption + "\" is not an entry of the list " + listName + " (see quorvex-cli options " +
                   std::to_string(command.formatNumber) + ")";
        model.UserSelected(*list, found);
    }
    if (command.clip) {
        model.SetClipChecked(true);
        const TimeFields start = FieldsFromSeconds(command.clipStartSeconds);
        const TimeFields stop = FieldsFromSeconds(command.clipStopSeconds);
        for (int i = 0; i < 3; ++i) {
            model.SetTimeField(i, start[i]);
            model.SetTimeField(3 + i, stop[i]);
        }
    }
    if (model.Confirm() != ConfirmOutcome::Closed)
        return messages.last.empty() ? std::string("the clip was refused") : messages.last;
    return {};
}

// Makes the output folder when it is missing; false (with the reason) when
// it cannot be made or is not a folder.
bool PrepareOutputFolder(const std::string& folder, std::string& error)
{
    std::error_code code;
    if (fs::is_directory(folder, code))
        return true;
    if (fs::exists(folder, code)) {
        error = "output folder " + folder + " is not a folder";
        return false;
    }
    fs::create_directories(folder, code);
    if (code || !fs::is_directory(folder, code)) {
        error = "cannot make output folder " + folder + ": " + (code ? code.message() : std::string("unknown error"));
        return false;
    }
    return true;
}

int ReportOutcomes(const std::vector<std::string>& labels, const std::vector<TaskOutcome>& outcomes,
                   int earlierFailures, std::ostream& err)
{
    int failures = earlierFailures;
    for (size_t i = 0; i < outcomes.size(); ++i) {
        if (!outcomes[i].whole()) {
            err << "quorvex-cli: " << FailureLine(labels[i], outcomes[i].error) << '\n';
            ++failures;
        }
    }
    if (const int signal = StopSignals::Received())
        return StopSignals::ExitStatus(signal);
    return failures == 0 ? 0 : kExitFailed;
}

}  // namespace

int RunConvert(const CliCommand& command, bool terminal, std::ostream& out, std::ostream& err)
{
    if (!FindCatalogueEntry(command.formatNumber) || !FormatOffered(command.formatNumber, EncoderPresent)) {
        err << "quorvex-cli: unknown format number " << command.formatNumber << " (see quorvex-cli formats)\n";
        return kExitUsage;
    }
    std::string folderError;
    if (!PrepareOutputFolder(command.outputFolder, folderError)) {
        err << "quorvex-cli: " << folderError << '\n';
        return kExitFailed;
    }
    TMediaConverter converter;
    if (!PrepareConverter(converter, command, err))
        return kExitFailed;
    ConverterDurationProbe durationProbe;
    FormatSession session;
    session.FormatNumber = command.formatNumber;
    session.EncoderPresent = EncoderPresent;
    session.OutputFolder = command.outputFolder;

    std::vector<std::string> labels;  // per task
    std::set<std::string> taken;
    int failures = 0;
    const auto fail = [&](const std::string& file, const std::string& why) {
        err << "quorvex-cli: " << FailureLine(file, why) << '\n';
        ++failures;
    };
    for (const std::string& file : command.files) {
        if (StopSignals::Received())
            break;
        if (!IsRegularFile(file)) {
            fail(file, NotAFileReason(file));
            continue;
        }
        const std::string refused = ConfirmSettings(command, file, session, &durationProbe);
        if (!refused.empty()) {
            fail(file, refused);
            continue;
        }
        const OutputSettings& settings = session.Settings;
        TInputOptions input;
        input.FileName = file;
        const std::string outputName = ChooseOutputName(settings.OutputFile, command.overwrite, taken);
        TOutputOptions output;
        output.FileName = outputName;
        output.ReplaceExisting = command.overwrite;
        output.Resumable = command.resumable;
        const AddedTask added = AddConversionTask(converter, settings, input, output);
        if (added.task < 0) {
            fail(file, added.error);
            continue;
        }
        taken.insert(outputName);
        labels.push_back(file);
        out << file << " -> " << outputName;
        if (!settings.Adjustments.empty())
            out << " (" << settings.Adjustments << ")";
        out << '\n';
        // an interrupted conversion of this file into this output goes on where it stopped
        const ResumePoint resume = command.resumable ? FindResumePoint(outputName, file) : ResumePoint{};
        if (resume.keptUs > 0)
            out << file << ": resuming at " << ResumeTimeText(resume.keptUs) << '\n';
    }
    if (const int signal = StopSignals::Received())
        return StopSignals::ExitStatus(signal);
    if (labels.empty())
        return kExitFailed;
    const int simultaneous = command.simultaneous > 0 ? command.simultaneous : AutomaticFilesAtOnce(MachineCores());
    out << "files at once: " << simultaneous << (command.simultaneous > 0 ? "" : " (automatic)") << '\n';
    const std::vector<TaskOutcome> outcomes = RunBatch(converter, labels, simultaneous, out, terminal);
    return ReportOutcomes(labels, outcomes, failures, err);
}

int RunTranscode(const CliCommand& command, bool terminal, std::ostream& out, std::ostream& err)
{
    const std::string& source = command.files.at(0);
    const std::string& target = command.files.at(1);
    if (!IsRegularFile(source)) {
        err << "quorvex-cli: " << source << ": " << NotAFileReason(source) << '\n';
        return kExitFailed;
    }
    TMediaConverter converter;
    if (!PrepareConverter(converter, command, err))
        return kExitFailed;
    TInputOptions input;
    input.FileName = source;
    input.ExtOptions = command.inputOptions;
    const int task = converter.AddTask(source, &input);
    if (task < 0) {
        err << "quorvex-cli: " << FailureLine(source, converter.LastErrMsg()) << '\n';
        return kExitFailed;
    }
    TOutputOptions output;
    output.FileName = target;
    output.ExtOptions = command.outputOptions;
    if (!converter.SetOutputFile(task, target, &output)) {
        err << "quorvex-cli: " << FailureLine(target, converter.LastErrMsg()) << '\n';
        return kExitFailed;
    }
    const std::vector<TaskOutcome> outcomes = RunBatch(converter, {source}, 1, out, terminal);
    return ReportOutcomes({source}, outcomes, 0, err);
}
