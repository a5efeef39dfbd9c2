#pragma once

#include <cstdint>
#include <string>

// The allocation unit of the volume that holds a directory.
class CClusterInfo {
public:
    virtual ~CClusterInfo() = default;

    // Accepts an absolute path (first character "/"); otherwise keeps the old root.
    bool SetRoot(const std::string& root);
    // Bytes per cluster, at least 1; 1 whenever it cannot be told.
    uint32_t GetClusterSize() const;

private:
    std::string m_root;
};
