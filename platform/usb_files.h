// The USB memory stick and file helpers. The stick is mounted only while something on it
// is open: every file or directory opened here holds the mount and the last close releases
// it, so the user may pull the stick whenever nothing is being read. Names on the stick are
// relative to its root.
#pragma once

#include <cstdio>
#include <dirent.h>

constexpr int UsbPathSize = 256;

extern bool USB_mounted;
extern bool USB_leaveMounted; // keep mounted after the last close
extern unsigned char N_usbFilesOpen;

// Platform-specific: mounting, and where the stick appears.
int usb_mount(bool leaveMounted); // 0, or -1 when there is no stick
void usb_umount(bool force);
const char* usbMountPoint();

// Holds the mount for n more open objects; false when nothing is open and the stick cannot
// be mounted.
bool usb_mountHold(unsigned char n);
// Gives up n; the last release unmounts (unless keep-mounted).
void usb_mountRelease(unsigned char n);

// The full path of a name on the stick, in a buffer the next call overwrites; null when it
// would not fit.
char* usb_filePath(const char* name);
FILE* usb_fopen(const char* name, const char* mode);
void usb_fclose(FILE* f);
DIR* usb_opendir(const char* name);
void usb_closedir(DIR* d);
int usb_remove(const char* name);
int usb_mkdir(const char* name); // mode 0777; -1 on failure
int local_mkdir(const char* path);
bool fileExists(const char* name, bool onUsb);
