#include "support/ToolingDb.h"

ToolingDbScope::ToolingDbScope()
{
    Q_INIT_RESOURCE(tooling);
    Q_INIT_RESOURCE(mainwin);
    m_open = ToolingDb::open();
}

ToolingDbScope::~ToolingDbScope()
{
    ToolingDb::close();
}
