#pragma once

#include <QtGlobal>

#include <condition_variable>
#include <mutex>
#include <unordered_map>
#include <unordered_set>

// Answers of the server that one transfer asks for once per folder (its rights, its documents) and
// shares among its threads. A key that is asked for while another thread fetches it waits for that
// answer instead of asking again; a failed fetch stores nothing, so the next asker tries again. Any
// thread.
template<typename Value> class RunCache final
{
public:
    RunCache() = default;
    Q_DISABLE_COPY_MOVE(RunCache)

    // Runs read on the value of key under the cache's lock and returns what it returns. The value is the
    // stored one, or what fetch() returns (fetched is then set), also when fresh asks for a new one;
    // seeded is set when the value came from seed() and was not fetched since. What fetch throws passes
    // through.
    template<typename Fetch, typename Read>
    auto read(
        int key, Fetch fetch, Read read, bool fresh = false, bool* fetched = nullptr, bool* seeded = nullptr)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_changed.wait(lock, [this, key] { return m_fetching.count(key) == 0; });
        auto found = m_values.find(key);
        if (found == m_values.end() || fresh) {
            m_fetching.insert(key);
            lock.unlock();
            try {
                Value value = fetch();
                lock.lock();
                found = m_values.insert_or_assign(key, std::move(value)).first;
            } catch (...) {
                lock.lock();
                m_fetching.erase(key);
                m_changed.notify_all();
                throw;
            }
            m_fetching.erase(key);
            m_seeded.erase(key);
            m_changed.notify_all();
            if (fetched)
                *fetched = true;
        } else if (fetched) {
            *fetched = false;
        }
        if (seeded)
            *seeded = m_seeded.count(key) != 0;
        return read(found->second);
    }

    // Stores value as the answer for key.
    void put(int key, Value value)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_values.insert_or_assign(key, std::move(value));
        m_seeded.erase(key);
    }

    // Stores value as an answer learned before the run: it serves like a fetched one, but read() says
    // where it came from, so that a decision against it can be checked with the server.
    void seed(int key, Value value)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_values.insert_or_assign(key, std::move(value));
        m_seeded.insert(key);
    }

    // Changes the stored value of key, if there is one, so that it stays what the server would answer.
    template<typename Change> void update(int key, Change change)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        const auto found = m_values.find(key);
        if (found != m_values.end())
            change(found->second);
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::unordered_map<int, Value> m_values;
    std::unordered_set<int> m_fetching;
    std::unordered_set<int> m_seeded;
};
