#include "VideoIo.h"

CVideoIo::~CVideoIo() = default;
