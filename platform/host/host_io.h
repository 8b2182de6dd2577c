// The host's stand-ins for the board: the processor's I/O register window as plain memory
// (its timer, LCD and port registers do nothing here) and the file-system sync, counted so
// that tests see when the framework asks for it.
#pragma once

struct HostIoState {
    unsigned syncs = 0;
};
extern HostIoState hostIo;

// The hardware revision that the board's port shows (0-7; 3 unless changed).
void hostSetBoardRevision(unsigned char revision);
