// Keeps Quorvel to one running instance: a lock file and a local server, both named
// TEVRAQuorvelClass. A second start asks the first to bring its window forward and gives up.
#pragma once

#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>

namespace quorvel::app {

constexpr char kInstanceName[] = "TEVRAQuorvelClass";

class SingleInstance : public QObject {
    Q_OBJECT
  public:
    // name is kInstanceName except in tests.
    explicit SingleInstance(QString name = QString::fromLatin1(kInstanceName),
                            QObject* parent = nullptr);
    ~SingleInstance() override;

    // True when this is the only instance (it now holds the name); false when another instance
    // runs and was asked to come forward.
    bool claim();
    // Called in the first instance when a later start asks for the window.
    void onActivate(std::function<void()> fn) { activate_ = std::move(fn); }

  private:
    bool askFirstInstance();

    QString name_;
    std::unique_ptr<QLockFile> lock_;
    QLocalServer server_;
    std::function<void()> activate_;
};

}  // namespace quorvel::app
