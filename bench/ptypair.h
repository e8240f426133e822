#pragma once

#include <QString>

// A pseudo-terminal pair standing in for the serial line: the panel opens
// devicePath(), the bench reads the master side. The slave stays open here too, so
// the device survives the panel closing it. Neither end is inherited by children.
class PtyPair final
{
public:
    PtyPair();
    ~PtyPair();
    PtyPair(const PtyPair &) = delete;
    PtyPair &operator=(const PtyPair &) = delete;

    bool isValid() const { return m_slave != -1; }
    int masterDescriptor() const { return m_master; }
    QString devicePath() const { return m_devicePath; }

private:
    int m_master = -1;
    int m_slave = -1;
    QString m_devicePath;
};
