// SPDX-License-Identifier: GPL-3.0-or-later
// UCI options: the table of value texts and the settings record the engine works with.
#pragma once

#include <cstddef>

#include "types.h"

// The range of UCI_Elo: a beginner, and the engine at full strength.
const int LEVEL_MIN_ELO = 1000;
const int LEVEL_MAX_ELO = 1850;

extern option_uci_t OptionUci;

void OptionStart();
void OptionList();
bool OptionSet(const char* name, const char* value);
const char* OptionGet(const char* name);
int OptionGetInt(const char* name);
bool OptionGetBool(const char* name);
void OptionApply(const char* name);
void OptionUciDefaults();

void DefineString(char** slot, const char* text);
char* GetStringDuplicate(const char* text);
void ClearData(void* p);
void* AllocateSomeMemory(size_t n);
