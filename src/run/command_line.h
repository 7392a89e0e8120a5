#ifndef BRINDLEMARK_RUN_COMMAND_LINE_H_
#define BRINDLEMARK_RUN_COMMAND_LINE_H_

#include <string>
#include <string_view>
#include <vector>

struct Run;

/// Takes the command line into the run: |arguments| [0] is the program,
/// [1] the profile name (present; the driver has checked it), [2] and [3]
/// the parameter strings (later ones are ignored).
///
/// Sets the profile name (default extension ".P00", "GLOBAL.P00" turned
/// into the global listing "SAP Tessaron.Gbl", "ITEM=" turning it into the
/// sensor profile "Tessaron.Prf"), the directory given in front of it
/// (sensorDirectory, ending in a backslash), argument2 as typed, the joined
/// parameters (parameterCopy as typed, parameterText upper-cased), the
/// client filter, the item (itemMode, itemName) and the progress switch.
void ReadCommandLine(Run& run, const std::vector<std::string>& arguments);

/// Clears the client filter and takes the (up to) three characters after
/// "CLIENT=" in run.parameterText again; the item run calls it after the
/// listing's parameters have taken the place of the command line's.
void TakeClientFilter(Run& run);

/// Whether |keyword| occurs anywhere in run.parameterText. The text is
/// upper-cased, so an upper-case keyword is found whatever case was typed;
/// it is also found inside a longer word.
bool HasOption(const Run& run, std::string_view keyword);

/// The parameters as a single-system run shows them on its
/// "State=Executing" line: parameterCopy cut at its first "#" and its
/// first "@"; "(No Parameters)" when nothing is left or what is left is
/// exactly "(Parameters " or "(No ".
std::string ShownParametersOfSingleRun(const Run& run);

/// The parameters as an item run shows them on its "State=Executing" line:
/// parameterCopy (by then the listing's text) with every ":" turned into a
/// blank, cut at its first " @".
std::string ShownParametersOfItemRun(const Run& run);

#endif  // BRINDLEMARK_RUN_COMMAND_LINE_H_
