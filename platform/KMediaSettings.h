// The desktop's media handling (automount, open on mount, autorun) is switched off while the program
// runs and restored at exit. Where the desktop has no such settings nothing happens.
#pragma once

#include <string>
#include <vector>

class KMediaSettings {
public:
    // Saves the current values and switches the handling off. False when the settings are absent.
    bool SaveAndDisable();
    // Puts the saved values back.
    void Restore();

private:
    std::vector<std::pair<std::string, std::string>> m_saved; // key, value
};
