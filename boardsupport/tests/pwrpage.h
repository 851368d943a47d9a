// A meter page for the power tests: records the fields, control states,
// messages and samples the meter thread gives it, under a lock (the thread
// and the test read them concurrently), and records into a real PWRBUF.
#ifndef PWRPAGE_TEST_H
#define PWRPAGE_TEST_H

#include <chrono>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "pwrmeter.h"

class RECPAGE : public PWRPAGE {
public:
    RECPAGE() { buf.FInit(); }
    void SetField(int id, const char *sz) override
    {
        std::lock_guard<std::mutex> lock(mtx);
        mpField[id] = sz;
    }
    void EnableControl(int id, bool f) override
    {
        std::lock_guard<std::mutex> lock(mtx);
        mpEnabled[id] = f;
    }
    void Log(int ids) override
    {
        std::lock_guard<std::mutex> lock(mtx);
        rgids.push_back(ids);
    }
    int AddSample(const PWRSMP &smp) override { return buf.AddSample(smp); }

    std::string SzField(int id)
    {
        std::lock_guard<std::mutex> lock(mtx);
        return mpField.count(id) ? mpField[id] : "(unset)";
    }
    bool FEnabled(int id)
    {
        std::lock_guard<std::mutex> lock(mtx);
        return mpEnabled.count(id) && mpEnabled[id];
    }
    std::vector<int> Rgids()
    {
        std::lock_guard<std::mutex> lock(mtx);
        return rgids;
    }
    // Waits (up to 10 s) until fn() holds.
    template <class FN> bool FWaitFor(FN fn)
    {
        for (int i = 0; i < 1000; i++) {
            if (fn())
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return fn();
    }

    PWRBUF buf;

private:
    std::mutex mtx;
    std::map<int, std::string> mpField;
    std::map<int, bool> mpEnabled;
    std::vector<int> rgids;
};

#endif
