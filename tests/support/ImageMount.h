// An ntfs-3g (FUSE) mount of an image file for tests, taken down on every path out of a test.
#pragma once

#include <string>
#include <vector>

namespace TestSupport {

// The processes serving a mounted image (found by the image's path on their command line).
std::vector<std::string> MountServers(const std::string& image);

class ImageMount {
public:
    // options: ntfs-3g's -o list (ro, streams_interface=xattr, ...), none when empty.
    ImageMount(const std::string& image, const std::string& point, const std::string& options = {});
    ~ImageMount() { Unmount(); }
    ImageMount(const ImageMount&) = delete;
    ImageMount& operator=(const ImageMount&) = delete;

    bool Mounted() const { return m_mounted; }
    const std::string& Output() const { return m_output; }
    // Unmounts, then waits for the server to finish with the image: umount returns before it does.
    bool Unmount();

private:
    std::string m_image, m_point, m_output;
    bool m_mounted = false;
};

} // namespace TestSupport
