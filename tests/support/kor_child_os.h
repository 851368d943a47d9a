/* kor_child_os.h - what each platform file of the child helper provides. */
#ifndef KOR_CHILD_OS_H
#define KOR_CHILD_OS_H

#include "kor_child.h"

/* Starts szPath with argv vszArgv (vszArgv[0] the program name). */
KorChild::PROC *PprocKorSpawn(const std::string &szPath, const std::vector<std::string> &vszArgv);
/* true when ended within tms; then *pcode holds the exit code. */
bool FKorProcWait(KorChild::PROC *pproc, uint32_t tms, int *pcode);
bool FKorProcKill(KorChild::PROC *pproc);
void KorProcFree(KorChild::PROC *pproc);

#endif /* KOR_CHILD_OS_H */
