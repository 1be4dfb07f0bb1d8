#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <memory>
#include <string>
#include <thread>

#include "os/OS.Sockets.h"

namespace {

int ConnectLoopback(Word Port) {
  const int s = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(Port);
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (connect(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
    close(s);
    return -1;
  }
  return s;
}

TEST(TcpListener, AcceptsReceivesAndSends) {
  TTcpListener listener;
  ASSERT_TRUE(listener.Open());
  ASSERT_TRUE(listener.Bind(u"127.0.0.1", 0));
  ASSERT_TRUE(listener.Listen(1));
  EXPECT_EQ(listener.GetAddress(), u"127.0.0.1");
  const int client = ConnectLoopback(listener.GetPort());
  ASSERT_GE(client, 0);
  ASSERT_EQ(send(client, "ping", 4, 0), 4);
  std::unique_ptr<TTcpConnection> connection(listener.Accept());
  ASSERT_TRUE(connection);
  char buffer[16] = {};
  EXPECT_EQ(connection->Receive(buffer, sizeof buffer), 4);
  EXPECT_EQ(std::string(buffer, 4), "ping");
  EXPECT_TRUE(connection->Send("pong", 4));
  connection->Close();
  char reply[16] = {};
  EXPECT_EQ(recv(client, reply, sizeof reply, MSG_WAITALL), 4);
  EXPECT_EQ(std::string(reply, 4), "pong");
  close(client);
}

TEST(TcpListener, BadAddressesAndTakenPortsFail) {
  TTcpListener first, second, third;
  ASSERT_TRUE(first.Open());
  ASSERT_TRUE(first.Bind(u"127.0.0.1", 0));
  ASSERT_TRUE(first.Listen(1));
  ASSERT_TRUE(second.Open());
  EXPECT_FALSE(second.Bind(u"127.0.0.1", first.GetPort()));
  EXPECT_NE(second.GetLastError(), 0);
  ASSERT_TRUE(third.Open());
  EXPECT_FALSE(third.Bind(u"localhost:80", 0));
  EXPECT_FALSE(TTcpListener().Listen(1)) << "not opened";
}

// Closing from another thread ends a waiting accept, and a waiting read of a connection whose
// peer never sends.
TEST(TcpListener, ClosingEndsWaitingAcceptAndReceive) {
  TTcpListener listener;
  ASSERT_TRUE(listener.Open() && listener.Bind(u"127.0.0.1", 0) && listener.Listen(1));
  bool acceptEnded = false;
  std::thread waiter([&] { acceptEnded = listener.Accept() == nullptr; });
  listener.Close();
  waiter.join();
  EXPECT_TRUE(acceptEnded);
  EXPECT_EQ(listener.Accept(), nullptr);

  TTcpListener second;
  ASSERT_TRUE(second.Open() && second.Bind(u"127.0.0.1", 0) && second.Listen(1));
  const int silent = ConnectLoopback(second.GetPort());
  ASSERT_GE(silent, 0);
  std::unique_ptr<TTcpConnection> connection(second.Accept());
  ASSERT_TRUE(connection);
  Integer received = 0;
  std::thread reader([&] {
    char buffer[8];
    received = connection->Receive(buffer, sizeof buffer);
  });
  second.Close();
  reader.join();
  EXPECT_EQ(received, -1);
  close(silent);
}

}  // namespace
