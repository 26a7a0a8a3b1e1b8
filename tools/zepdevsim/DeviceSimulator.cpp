// Accept loop and lifetime of the device simulator.
#include "DeviceSimulator.h"

#include "SimConnection.h"

#include <algorithm>

DeviceSimulator::DeviceSimulator(SimOptions options)
    : m_options(std::move(options)), m_store(m_options.outputDir) {}

DeviceSimulator::~DeviceSimulator() {
    Stop();
}

bool DeviceSimulator::Start(std::string* error) {
    if (m_thread.joinable()) {
        if (error != nullptr)
            *error = "the simulator is already running";
        return false;
    }
    if (!ValidateSimOptions(m_options, error) || !m_store.Prepare(error) ||
        !m_log.Open(m_options.logPath, error) ||
        !m_listener.Listen(m_options.host, m_options.port, error))
        return false;
    m_port = m_listener.LocalPort();
    m_state.SetTargetInfo(m_options.targetInfo);
    m_stop.Reset();
    m_finished.Reset();
    m_log.Write(JsonLine().Add("event", "listen").Add("host", m_options.host).Add("port", Port()));
    m_thread = std::thread(&DeviceSimulator::ServeLoop, this);
    return true;
}

void DeviceSimulator::Stop() {
    m_stop.Set();
    {
        std::lock_guard<std::mutex> guard(m_activeMutex);
        for (const auto& active : m_active)
            if (!active->bDone)
                active->socket.Shutdown(); // wakes a send blocked on a host that stopped reading
    }
    if (m_thread.joinable())
        m_thread.join();
    m_listener.Close();
    m_log.Close();
}

bool DeviceSimulator::WaitFinished(unsigned ms) {
    return m_finished.WaitFor(ms);
}

void DeviceSimulator::ServeLoop() {
    unsigned accepted = 0;
    while (!m_stop.IsSet() &&
           (m_options.maxConnections == 0 || accepted < m_options.maxConnections)) {
        Reap(false);
        if (m_state.EndStaged())
            m_log.Write(JsonLine().Add("event", "staged-end"));
        if (m_state.IsDown() && !Restart())
            break;
        const int ready = m_listener.WaitReadable(m_options.acceptPollMs);
        if (ready < 0) {
            m_log.Write(JsonLine().Add("event", "error").Add("msg", "listening socket failed"));
            break;
        }
        if (ready == 0) {
            m_log.Flush();
            continue;
        }
        std::string peer;
        SimSocket connection = m_listener.Accept(&peer);
        if (!connection.IsOpen())
            continue;
        const unsigned id = ++accepted; // numbered in the order of arrival
        auto active = std::make_unique<Active>();
        active->socket = std::move(connection);
        Active& ref = *active;
        {
            std::lock_guard<std::mutex> guard(m_activeMutex);
            m_active.push_back(std::move(active));
        }
        ref.thread = std::thread(&DeviceSimulator::ServeOne, this, std::ref(ref), peer, id);
    }
    Reap(true);
    m_log.Write(JsonLine().Add("event", "stop").Add("connections", m_served.load()));
    m_finished.Set();
}

bool DeviceSimulator::Restart() {
    {
        std::lock_guard<std::mutex> guard(m_activeMutex);
        for (const auto& active : m_active)
            if (!active->bDone)
                active->socket.Shutdown();
    }
    m_listener.Close(); // a device that is rebooting refuses connections
    m_log.Write(JsonLine().Add("event", "down"));
    if (m_options.restartNeverReturns) {
        while (!m_stop.WaitFor(1000)) {
        }
        return false;
    }
    if (m_stop.WaitFor(m_options.restartMs))
        return false;
    std::string error;
    if (!m_listener.Listen(m_options.host, Port(), &error)) {
        m_log.Write(JsonLine().Add("event", "error").Add("msg", "cannot listen again: " + error));
        return false;
    }
    m_state.Up();
    m_log.Write(JsonLine().Add("event", "up"));
    return true;
}

void DeviceSimulator::Reap(bool all) {
    std::vector<Active*> ending;
    {
        std::lock_guard<std::mutex> guard(m_activeMutex);
        for (const auto& active : m_active)
            if (all || active->bDone)
                ending.push_back(active.get());
    }
    // Joined outside the lock, and still listed meanwhile, so that Stop can cut them short.
    for (Active* active : ending)
        active->thread.join();
    std::lock_guard<std::mutex> guard(m_activeMutex);
    m_active.remove_if([&](const std::unique_ptr<Active>& active) {
        return std::find(ending.begin(), ending.end(), active.get()) != ending.end();
    });
}

void DeviceSimulator::ServeOne(Active& active, const std::string& peer, unsigned id) {
    SimConnection(id, active.socket, m_options, m_store, m_state, m_log, m_stop).Serve(peer);
    {
        std::lock_guard<std::mutex> guard(m_activeMutex);
        active.socket.Close();
        active.bDone = true;
    }
    ++m_served;
}
