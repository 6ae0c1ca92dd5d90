#include "ui/commands.h"

namespace varnel {

void loadCommand() {}
void saveCommand() {}
void searchCommand() {}

}  // namespace varnel
