// cLocaleGuardC: switches number formatting (LC_NUMERIC) and character
// classification (LC_CTYPE) to the "C" locale for the guard's scope.
//
// The first guard saves the names setlocale answers for both categories,
// then sets both to "C", numeric first. When the last guard ends, LC_NUMERIC
// is set back to the saved numeric name, then LC_CTYPE to the saved
// classification name; an empty saved name is passed as "", the user's
// default locale.
//
// The locale is process-wide: conversions on other threads see "C" while a
// guard exists (the module's own conversions do not use guards; see
// platform/c_locale_numbers.h). Guards on any threads, nested or
// overlapping in any order, share one saved pair of names: saving,
// switching and restoring run under one lock with a count of the guards
// alive, so the locale that was there before the first guard is the one
// restored after the last.
//
// The saved names live on the runtime heap, not the module's pool: the
// guard sits below the memory layer.
//
// Failure: when the names cannot be saved (no memory for the copies), the
// first guard switches nothing and restores nothing, rather than leave the
// process in a locale it cannot return from, and does not count. A guard
// constructed with false does nothing at all (for code that needs "C" only
// on some paths).
#pragma once

class cLocaleGuardC {
 public:
  explicit cLocaleGuardC(bool switchToC = true);
  ~cLocaleGuardC();

  cLocaleGuardC(const cLocaleGuardC&) = delete;
  cLocaleGuardC& operator=(const cLocaleGuardC&) = delete;

 private:
  bool counted;  // this guard is one of the guards alive and must leave
};
