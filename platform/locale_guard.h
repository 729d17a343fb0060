// cLocaleGuardC: switches number formatting (LC_NUMERIC) and character
// classification (LC_CTYPE) to the "C" locale for the guard's scope.
//
// Construction saves the names setlocale answers for both categories, then
// sets both to "C", numeric first. Destruction sets LC_NUMERIC back to the
// saved numeric name, then LC_CTYPE to the saved classification name; an
// empty saved name is passed as "", the user's default locale.
//
// The locale is process-wide: conversions on other threads see "C" while a
// guard exists. Guards nest; each restores what it found.
//
// The saved names live on the runtime heap, not the module's pool: the
// guard sits below the memory layer.
//
// Failure: when the names cannot be saved (no memory for the copies), the
// guard switches nothing and restores nothing, rather than leave the process
// in a locale it cannot return from. A guard constructed with false does
// nothing at all (for code that needs "C" only on some paths).
#pragma once

class cLocaleGuardC {
 public:
  explicit cLocaleGuardC(bool switchToC = true);
  ~cLocaleGuardC();

  cLocaleGuardC(const cLocaleGuardC&) = delete;
  cLocaleGuardC& operator=(const cLocaleGuardC&) = delete;

 private:
  char* savedNumeric;         // LC_NUMERIC name before the switch, runtime heap, null = none
  char* savedCharacterClass;  // LC_CTYPE name before the switch, runtime heap, null = none
  bool switched;              // the guard switched and must restore
};
