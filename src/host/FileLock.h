#pragma once

namespace zt {

// An exclusive lock that every process taking it on the same lock file
// respects, held until the object goes. Take it with LockFileExclusively
// (host/HostSystem.h). On a local disk it holds across every process of
// the host; on a network folder it holds across hosts only as far as the file
// server's lock service does (NFS: the server's lock manager; SMB: the
// server's byte-range locks). Within one process, two holders of the same
// file may or may not exclude each other: callers that share a process keep
// their own mutex as well.
class FileLock {
public:
    virtual ~FileLock() = default;
};

}  // namespace zt
