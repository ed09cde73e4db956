// A simulated power cut over the failing file layer (fault_files.h). While it watches, it
// remembers for every file under a folder what is on stable storage (the bytes it held at the start
// or at its last sync) and for every name whether its folder entry is (it was there at the start or
// at the last sync of its folder). After the N-th file operation it works out what the disk would
// hold had the power failed at that moment, under a few patterns of loss: the unsynced bytes of a
// file lost, partly written or written in pieces, and the unsynced names of a folder kept or undone.
#pragma once

#include <map>
#include <string>

using disk_image = std::map<std::string, std::string>;  // path -> bytes of every file that is there

struct loss_pattern {
    const char* name;
    // Of bytes not yet synced. first_change: a file that changed since its last sync holds what it
    // held after the first of those changes (a page cut by its opening for writing, say), however
    // it was written later, even back to what it was.
    enum { lose_all, keep_half, keep_nothing, keep_odd_pieces, first_change } data;
    bool names_undone;  // names created or deleted since their folder's last sync are undone
};
constexpr int loss_patterns = 5;
extern const loss_pattern loss_pattern_list[loss_patterns];

// Installs the failing file layer and starts watching the files under root (a folder ending in its
// separator), taking everything there now as on stable storage. The power fails after operation
// number cut_after (from 1). With syncs_ignored, syncs and durable copies are taken as having put
// nothing on stable storage: the programs as they would be without them.
void start_power_watch(const std::string& root, int cut_after, bool syncs_ignored);

// Stops watching. True when the power failed, that is, when the batch made cut_after operations.
bool stop_power_watch();

// The files under root as the disk would hold them after the cut, under pattern (an index into
// loss_pattern_list).
const disk_image& image_after_cut(int pattern);

// Puts the files under root as image holds them, the power back on: every other file there goes.
void power_back_on(const disk_image& image);
