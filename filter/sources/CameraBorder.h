#pragma once
// Which border picture the camera input lays over its frames. The active path, when not empty, is drawn; the held
// path remembers the border while it is switched off, so that switching it on again brings the same one back.
#include <string>

class CameraBorder {
public:
    // At the start of the camera input: the border follows the settings again.
    void Arm(bool use, const std::wstring& file)
    {
        held_ = file;
        active_ = use ? file : std::wstring();
    }
    void SetEnabled(bool on)
    {
        if (on) {
            active_ = held_;
        } else if (!active_.empty()) {
            // Switching off what is already off must not forget the border that switching on brings back.
            held_ = active_;
            active_.clear();
        }
    }
    // A newly chosen border shows at once, even while borders are switched off.
    void Assign(const std::wstring& path)
    {
        held_ = path;
        active_ = path;
    }
    // When the camera input stops.
    void Disarm() { active_.clear(); }

    const std::wstring& Active() const { return active_; }
    const std::wstring& Held() const { return held_; }

private:
    std::wstring active_;
    std::wstring held_;
};
