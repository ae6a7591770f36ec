// SPDX-License-Identifier: GPL-3.0-or-later
#include "option.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "hash.h"
#include "util.h"

struct option_t {
  const char* name;
  bool declare;
  const char* init;
  const char* type;
  int min, max;  // the range of a spin
  char* value;
};

option_uci_t OptionUci;

static option_t Option[] = {
    {"Hash", false, "2", "spin", 1, 4, nullptr},
    {"Ponder", true, "false", "check", 0, 0, nullptr},
    {"OwnBook", true, "false", "check", 0, 0, nullptr},
    {"MultiPV", true, "1", "spin", 1, 300, nullptr},
    {"MaterialWeight", true, "100", "spin", 0, 1000, nullptr},
    {"PawnStructureWeight", true, "100", "spin", 0, 1000, nullptr},
    {"PassedPawnWeight", true, "100", "spin", 0, 1000, nullptr},
    {"MobilityWeight", true, "100", "spin", 0, 1000, nullptr},
    {"ThreatWeight", true, "100", "spin", 0, 1000, nullptr},
    {"KingAttackWeight", true, "100", "spin", 0, 1000, nullptr},
    {"KingShelterWeight", true, "100", "spin", 0, 1000, nullptr},
    {"UCI_AnalyseMode", false, "false", "check", 0, 0, nullptr},
    {"RepeatScore", true, "-15", "spin", -32000, 32000, nullptr},
    {"Move Overhead", true, "60", "spin", 0, 5000, nullptr},
    {"UCI_LimitStrength", true, "false", "check", 0, 0, nullptr},
    // Full strength by default (LEVEL_MAX_ELO).
    {"UCI_Elo", true, "1850", "spin", LEVEL_MIN_ELO, LEVEL_MAX_ELO, nullptr},
    {nullptr, false, nullptr, nullptr, 0, 0, nullptr}};

void* AllocateSomeMemory(size_t n) {
  void* p = malloc(n);
  if (p == nullptr) out_of_memory();
  return p;
}

char* GetStringDuplicate(const char* text) {
  size_t n = strlen(text) + 1;
  char* copy = (char*)AllocateSomeMemory(n);
  memcpy(copy, text, n);
  return copy;
}

void ClearData(void* p) {
  free(p);
}

void DefineString(char** slot, const char* text) {
  ClearData(*slot);
  *slot = GetStringDuplicate(text);
}

void OptionStart() {
  for (option_t* o = Option; o->name; o++) DefineString(&o->value, o->init);
}

void OptionUciDefaults() {
  OptionUci.Hash = 2;
  OptionUci.MultiPV = 1;
  OptionUci.RepeatScore = -15;
  OptionUci.TimeReserve = 60;
  OptionUci.FiftyMoveScore = -15;
  OptionUci.StalemateScore = 0;
  OptionUci.PawnStructureWeight = 100;
  OptionUci.MaterialWeight = 100;
  OptionUci.MobilityWeight = 100;
  OptionUci.ThreatWeight = 100;
  OptionUci.KingAttackWeight = 100;
  OptionUci.PassedPawnWeight = 100;
  OptionUci.KingShelterWeight = 100;
  snprintf(OptionUci.BookFile, sizeof OptionUci.BookFile, "%s", "Zeltro.bin");
  OptionUci.AnalyseMode = false;
  OptionUci.Ponder = false;
  OptionUci.OwnBook = false;
  OptionUci.LimitStrength = false;
  OptionUci.Elo = LEVEL_MAX_ELO;
}

static option_t* find_option(const char* name) {
  for (option_t* o = Option; o->name; o++)
    if (my_StringIsEqual(o->name, name)) return o;
  return nullptr;
}

static int clamp(int v, int lo, int hi) {
  return v < lo ? lo : v > hi ? hi : v;
}

static const char* bool_text(bool b) {
  return b ? "true" : "false";
}

// The value of a spin as it acts: the stored text read as a number and held to the range.
static int spin_value(const char* name) {
  const option_t* o = find_option(name);
  return clamp(OptionGetInt(name), o->min, o->max);
}

// Each option is declared with the value in force, never with a text that was set but not taken.
void OptionList() {
  for (option_t* o = Option; o->name; o++) {
    if (!o->declare) continue;
    if (strcmp(o->type, "spin") == 0)
      SendInfo("option name %s type spin default %d min %d max %d", o->name, spin_value(o->name),
               o->min, o->max);
    else
      SendInfo("option name %s type %s default %s", o->name, o->type,
               bool_text(OptionGetBool(o->name)));
  }
}

bool OptionSet(const char* name, const char* value) {
  option_t* o = find_option(name);
  if (o == nullptr) return false;
  DefineString(&o->value, value);
  return true;
}

const char* OptionGet(const char* name) {
  option_t* o = find_option(name);
  return o ? o->value : "";
}

// Blanks, an optional sign and the digits behind it; anything else reads as 0. Huge numbers are
// held within the int range so that the clamping of every option still works on them.
int OptionGetInt(const char* name) {
  const char* s = OptionGet(name);
  while (*s == ' ' || *s == '\t') s++;
  return (int)read_signed(s, INT_MAX);
}

bool OptionGetBool(const char* name) {
  const char* v = OptionGet(name);
  return my_StringIsEqual(v, "true") || my_StringIsEqual(v, "yes") || my_StringIsEqual(v, "1");
}

// The options that act at once, with their confirmations: the Hash size, then the spins and the
// checks, each a field of the settings record.
void OptionApply(const char* name) {
  const struct {
    const char* name;
    int* field;
  } spins[] = {{"RepeatScore", &OptionUci.RepeatScore},
               // The time lost between the engine and the clock: kept back from every clock.
               {"Move Overhead", &OptionUci.TimeReserve},
               {"MultiPV", &OptionUci.MultiPV},
               {"UCI_Elo", &OptionUci.Elo},
               {"PawnStructureWeight", &OptionUci.PawnStructureWeight},
               {"MaterialWeight", &OptionUci.MaterialWeight},
               {"MobilityWeight", &OptionUci.MobilityWeight},
               {"ThreatWeight", &OptionUci.ThreatWeight},
               {"KingAttackWeight", &OptionUci.KingAttackWeight},
               {"KingShelterWeight", &OptionUci.KingShelterWeight},
               {"PassedPawnWeight", &OptionUci.PassedPawnWeight}};
  const struct {
    const char* name;
    bool* field;
  } checks[] = {{"Ponder", &OptionUci.Ponder},
                {"OwnBook", &OptionUci.OwnBook},
                {"UCI_AnalyseMode", &OptionUci.AnalyseMode},
                {"UCI_LimitStrength", &OptionUci.LimitStrength}};
  if (my_StringIsEqual(name, "Hash")) {
    int v = spin_value("Hash");
    if (v == OptionUci.Hash) return;
    free_tt();
    OptionUci.Hash = v;
    init_ttable(v);
    printf("info string Hash is set to %dmb\n", v);
    return;
  }
  for (const auto& o : spins) {
    if (!my_StringIsEqual(name, o.name)) continue;
    *o.field = spin_value(o.name);
    printf("info string %s is set to %d\n", o.name, *o.field);
    return;
  }
  for (const auto& o : checks) {
    if (!my_StringIsEqual(name, o.name)) continue;
    *o.field = OptionGetBool(o.name);
    printf("info string %s is set to %s\n", o.name, bool_text(*o.field));
    return;
  }
}
