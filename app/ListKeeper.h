#pragma once
// Keeps the conversion list across runs of the program: the kept rows come
// back at start, and every kept change of the list is written at once.
#include "app/ConversionList.h"
#include "app/IDialogs.h"
#include "app/ListStore.h"

#include <string>

class ListKeeper {
public:
    // `dataFolder`: where the list is kept, with a trailing "/".
    ListKeeper(ConversionList& list, IDialogs& dialogs, const std::string& dataFolder);
    ~ListKeeper();
    ListKeeper(const ListKeeper&) = delete;
    ListKeeper& operator=(const ListKeeper&) = delete;

    // Once, at start, on an empty list: the kept rows come back as RowAtStart
    // says. A file that cannot be read is set aside and the user is told; one
    // that cannot even be moved is left alone and nothing is written over it.
    // From then on every kept change is written.
    void Restore();

    const std::string& FilePath() const { return store_.FilePath(); }

private:
    void Write();

    ConversionList& list_;
    IDialogs& dialogs_;
    ListStore store_;
    bool failureShown_ = false;  // one message for a run of failed writes
};

// A kept row as it shows when the program starts again: a file that was
// converting or paused is ready again; a finished one stays finished while
// its output is there.
KeptRow RowAtStart(KeptRow row);
