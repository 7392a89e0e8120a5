#include "run/run.h"

void CloseConnection(Run& run) {
  if (run.connection != 0) run.rfc.RfcClose(run.connection);
  run.connection = 0;
}

void ErrorExit(Run& run, std::string_view message) {
  std::string copy(message);  // the message may lie in the document itself
  run.resultDocument.WriteErrorDocument(copy);
  run.console.Write(run.resultDocument.Text());
  CloseConnection(run);
  throw RunEnded{2};
}
