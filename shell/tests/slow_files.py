"""A file system whose reads take as long as the tests say: it shows the files
of a source folder, and every read waits the number of seconds written in a
control file before it answers, as a share whose server stopped answering
does; with "fail" written there, every read fails, as on a dropped
connection; with "list SECONDS", every folder listing waits that long and
reads answer at once. Opens and attribute queries never wait: under Wine
they run in its server process, where a wait would hold every Wine program.

usage: slow_files.py SOURCE MOUNTPOINT DELAYFILE   (runs until unmounted)
"""
import errno
import os
import sys
import time

from fusepy import FUSE, FuseOSError, Operations


class SlowReads(Operations):
    def __init__(self, source, delay_file):
        self.source = source
        self.delay_file = delay_file

    def _path(self, path):
        return os.path.join(self.source, path.lstrip("/"))

    def _control(self):
        try:
            with open(self.delay_file) as control:
                return control.read().strip()
        except OSError:
            return ""

    def getattr(self, path, fh=None):
        found = os.lstat(self._path(path))
        keys = ("st_atime", "st_ctime", "st_gid", "st_mode", "st_mtime", "st_nlink", "st_size", "st_uid")
        return {key: getattr(found, key) for key in keys}

    def readdir(self, path, fh):
        words = self._control().split()
        if len(words) == 2 and words[0] == "list":
            time.sleep(float(words[1]))
        return [".", ".."] + os.listdir(self._path(path))

    def open(self, path, flags):
        return os.open(self._path(path), flags)

    def read(self, path, size, offset, fh):
        control = self._control()
        if control == "fail":
            raise FuseOSError(errno.EIO)
        try:
            delay = float(control or 0)
        except ValueError:
            delay = 0
        if delay > 0:
            time.sleep(delay)
        return os.pread(fh, size, offset)

    def release(self, path, fh):
        os.close(fh)


if __name__ == "__main__":
    source, mountpoint, delay_file = sys.argv[1:4]
    # Attributes are asked for again at once, so that growth shows without delay.
    FUSE(SlowReads(source, delay_file), mountpoint, foreground=True, nothreads=False,
         attr_timeout=0, entry_timeout=0, direct_io=True)
