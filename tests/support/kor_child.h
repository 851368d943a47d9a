/*
 * kor_child.h - child processes for tests that span several processes.
 *
 * A test program declares roles with KOR_CHILD_ROLE and starts itself again
 * in one of them:
 *
 *     KOR_CHILD_ROLE(holder)            // runs in the child; argv[1..] are
 *     {                                 // the arguments given to Start
 *         return DoSomething(argv[1]) ? 0 : 1;
 *     }
 *
 *     KorChild child;
 *     ASSERT_TRUE(child.Start("holder", {"name"}));
 *     int code;
 *     ASSERT_TRUE(child.Wait(10000, &code));
 *
 * Such programs link the `korchild` and `korchild_main` libraries and are
 * registered with NO_GTEST_MAIN: the main() of `korchild_main` runs the role
 * named by "--child=<role>" and otherwise the GoogleTest cases. The child
 * inherits the parent's environment (set variables with KorSetEnv first).
 */
#ifndef KOR_CHILD_H
#define KOR_CHILD_H

#include <stdint.h>
#include <string>
#include <vector>

/* One child process. Destroying it kills a child that still runs. */
class KorChild {
public:
    KorChild();
    ~KorChild();

    /* Starts this program in role szRole with the extra arguments vszArg. */
    bool Start(const char *szRole, const std::vector<std::string> &vszArg = {});
    /* Starts program szPath with arguments vszArg (argv[1..]). */
    bool StartProgram(const std::string &szPath, const std::vector<std::string> &vszArg);
    /* Waits up to tms ms (0xFFFFFFFF: no limit) for the end; false while it
     * still runs. *pcodeExit gets the exit code (128 + signal when killed by
     * a signal on POSIX). */
    bool Wait(uint32_t tms, int *pcodeExit = nullptr);
    /* Ends the child at once (SIGKILL, TerminateProcess) and reaps it. */
    bool Kill();
    /* True between a successful Start and the end being reaped. */
    bool FRunning() const { return pproc != nullptr; }

    struct PROC;   /* per platform */

private:
    KorChild(const KorChild &) = delete;
    KorChild &operator=(const KorChild &) = delete;
    PROC *pproc;
};

/* Entry of a role: argv[0] is the program, argv[1..] the Start arguments. */
typedef int (*PFNKORROLE)(int argc, char **argv);

struct KorChildRole {
    KorChildRole(const char *szName, PFNKORROLE pfn);
};

#define KOR_CHILD_ROLE(name)                                                   \
    static int KorRole_##name(int argc, char **argv);                          \
    static KorChildRole korrole_##name(#name, KorRole_##name);                 \
    static int KorRole_##name(int argc, char **argv)

/* Runs the role given by "--child=<role>" (argv[1]); true with its exit code
 * in *pcode when argv asked for one. Called by korchild_main's main(). */
bool FKorChildDispatch(int argc, char **argv, int *pcode);

/* Full path of the running program. */
std::string KorSelfPath();
/* Sets (or with szValue NULL removes) a variable of this process's
 * environment, which children inherit. */
void KorSetEnv(const char *szVar, const char *szValue);
void KorSleepMs(uint32_t tms);

#endif /* KOR_CHILD_H */
