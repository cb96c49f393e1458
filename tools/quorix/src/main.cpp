#include "tool.h"

int main(int argc, char** argv) { return quorix::tool::runTool(argc, argv); }
