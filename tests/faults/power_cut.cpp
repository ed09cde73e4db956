// The simulated power cut.
#include "tests/faults/power_cut.h"

#include "tests/faults/fault_files.h"
#include "tests/test_support.h"

#include <filesystem>
#include <vector>

const loss_pattern loss_pattern_list[loss_patterns] = {
    {"every unsynced change lost", loss_pattern::lose_all, true},
    {"the first half of unsynced bytes written, new names kept", loss_pattern::keep_half, false},
    {"files with unsynced bytes cut to nothing, new names kept", loss_pattern::keep_nothing, false},
    {"every other 512-byte piece written, new names undone", loss_pattern::keep_odd_pieces, true},
    {"files as their first unsynced change left them, new names kept", loss_pattern::first_change, false},
};

namespace {

struct stable_state {
    bool named;         // the folder entry is on stable storage
    std::string bytes;  // what is on stable storage of the file's bytes
    bool changed;       // its bytes changed since they were last synced
    std::string first;  // what it held after the first of those changes
};

std::string root;
std::map<std::string, stable_state> files;  // by normalised path
int operations;
int cut_after;
bool ignore_syncs;
bool cut;
disk_image images[loss_patterns];

std::string normal(const std::string& path) { return std::filesystem::path(path).lexically_normal().string(); }

bool under_root(const std::string& path) { return path.compare(0, root.size(), root) == 0; }

// The bytes of a file after the cut when its unsynced bytes are now and its synced ones stable.
std::string bytes_after_cut(const std::string& now, const std::string& stable, const loss_pattern& pattern)
{
    switch (pattern.data) {
    case loss_pattern::lose_all:
        return stable;
    case loss_pattern::keep_half:
        return now.substr(0, now.size() / 2 / 512 * 512);
    case loss_pattern::keep_nothing:
        return "";
    case loss_pattern::first_change:
        return now;  // taken apart in take_images
    case loss_pattern::keep_odd_pieces: {
        std::string bytes = now;
        for (size_t at = 0; at < bytes.size(); at += 1024)
            for (size_t i = at; i < at + 512 && i < bytes.size(); ++i)
                bytes[i] = i < stable.size() ? stable[i] : '\0';
        return bytes;
    }
    }
    return stable;
}

void take_images()
{
    for (int p = 0; p < loss_patterns; ++p) {
        const loss_pattern& pattern = loss_pattern_list[p];
        disk_image& image = images[p];
        image.clear();
        for (const auto& [path, state] : files) {
            bool there = file_exists(path);
            if (!(pattern.names_undone ? state.named : there))
                continue;
            if (!there) {
                image[path] = state.bytes;  // deleted, and the deletion undone
                continue;
            }
            std::string now = read_file(path);
            if (pattern.data == loss_pattern::first_change)
                image[path] = state.changed ? state.first : now;
            else
                image[path] = now == state.bytes ? now : bytes_after_cut(now, state.bytes, pattern);
        }
    }
}

void watch(const file_event& event)
{
    if (cut)
        return;
    std::string path = normal(event.path);
    bool synced = !ignore_syncs && (event.kind == fault_sync || (event.kind == fault_copy && event.durable));
    if (under_root(path)) {
        bool creates = !event.existed && ((event.kind == fault_open && file_exists(path)) || event.kind == fault_copy);
        if (creates && !files.count(path))
            files[path] = stable_state{false, "", false, ""};
        if (synced && std::filesystem::is_directory(path)) {
            std::filesystem::path synced_folder(path);
            if (!synced_folder.has_filename())
                synced_folder = synced_folder.parent_path();
            for (auto& [name, state] : files)
                if (std::filesystem::path(name).parent_path() == synced_folder)
                    state.named = file_exists(name);
        } else if (synced && file_exists(path)) {
            files[path].bytes = read_file(path);
            files[path].changed = false;
        }
        // The first change of a file's bytes since its last sync, as it stood then.
        auto known = files.find(path);
        if (!synced && known != files.end() && !known->second.changed && file_exists(path)) {
            std::string now = read_file(path);
            if (now != known->second.bytes) {
                known->second.changed = true;
                known->second.first = now;
            }
        }
    }
    if (++operations == cut_after) {
        take_images();
        cut = true;
    }
}

}  // namespace

void start_power_watch(const std::string& folder, int cut_at, bool syncs_ignored)
{
    install_fault_operations();
    disarm_faults();
    root = normal(folder);
    files.clear();
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root))
        if (entry.is_regular_file())
            files[normal(entry.path().string())] = stable_state{true, read_file(entry.path().string()), false, ""};
    operations = 0;
    cut_after = cut_at;
    ignore_syncs = syncs_ignored;
    cut = false;
    watch_operations(watch);
}

bool stop_power_watch()
{
    watch_operations(nullptr);
    return cut;
}

const disk_image& image_after_cut(int pattern) { return images[pattern]; }

void power_back_on(const disk_image& image)
{
    std::vector<std::string> there;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root))
        if (entry.is_regular_file())
            there.push_back(normal(entry.path().string()));
    for (const std::string& path : there)
        if (!image.count(path))
            std::filesystem::remove(path);
    for (const auto& [path, bytes] : image)
        write_file(path, bytes);
}
