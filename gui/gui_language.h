// What the GUI needs to know about the current language, set by the text subsystem when the
// language changes: its alphabet (fonts and line heights) and its writing direction. Until
// a vocabulary exists the GUI draws in Latin, left to right.
#pragma once

class Alphabet;

// The current language's alphabet; never null (Latin by default).
Alphabet* currentAlphabet();
void setCurrentAlphabet(Alphabet* a); // null restores Latin

// The current language is written right to left (the vocabulary's flag).
extern bool CurrentRightToLeft;

// Called by the font-file loader for every character set it builds, so that the vocabulary
// registers it; null leaves the alphabet unregistered.
extern void (*AddAlphabetHook)(Alphabet*);
