#ifndef BRINDLEMARK_RUN_GLOBAL_LISTING_H_
#define BRINDLEMARK_RUN_GLOBAL_LISTING_H_

struct Run;

/// Reads the global sensor listing at run.profilePath at the start of an
/// item run and fills run.systemList (the profile names, each followed by
/// "#", of every matching system list line in file order) and, for the
/// listing "SAP Tessaron.Gbl", run.itemName, run.nameKind ('1' profile
/// name, '2' alias, '3' host, '4' destination) and run.parameterCopy from
/// the sensor line whose key is the first word of run.parameterText.
///
/// The sensor profile "Tessaron.Prf" (an "ITEM=" run) supplies only system
/// lists ("# Gsng: "); the item and parameters stay the command line's.
///
/// The driver empties systemList and sets nameKind to '1' before. Returns
/// with systemList and itemName both non-empty, or ends the run with error
/// 1024 / 10x1 (listing cannot be read), 1029 (sensor line of another
/// program), 1030 (no sensor line), 1025 (no systems) or 1026 (no item).
void ReadGlobalListing(Run& run);

#endif  // BRINDLEMARK_RUN_GLOBAL_LISTING_H_
