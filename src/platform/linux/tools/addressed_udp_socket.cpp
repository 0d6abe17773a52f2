// SPDX-License-Identifier: MIT
#include "platform/tools/addressed_udp_socket.h"

#include <arpa/inet.h>
#include <linux/filter.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <cstring>

#include "platform/linux/udp_common.h"

namespace veltrane::platform {
namespace {

// Datagrams one call to the system moves at most.
constexpr size_t kBatch = 64;

// What the system reads or writes for one datagram besides its bytes: its far end, and the
// local address in an IP_PKTINFO control message.
struct MessageRoom {
  sockaddr_in far{};
  iovec piece{};
  alignas(cmsghdr) std::array<char, CMSG_SPACE(sizeof(in_pktinfo))> control{};
};

msghdr ReceiveHeader(MessageRoom& room, AddressedDatagram& datagram) {
  room.piece = {datagram.buffer.data(), datagram.buffer.size()};
  msghdr header{};
  header.msg_name = &room.far;
  header.msg_namelen = sizeof room.far;
  header.msg_iov = &room.piece;
  header.msg_iovlen = 1;
  header.msg_control = room.control.data();
  header.msg_controllen = room.control.size();
  return header;
}

// Fills in what the system said of a datagram it took into `datagram`'s buffer.
void ReadReceived(const msghdr& header, size_t length, AddressedDatagram& datagram) {
  const bool cut = (header.msg_flags & MSG_TRUNC) != 0;
  datagram.length = cut ? 0 : static_cast<int32_t>(length);
  const auto* far = static_cast<const sockaddr_in*>(header.msg_name);
  datagram.from = {far->sin_addr.s_addr, far->sin_port};
  datagram.local = 0;
  for (const cmsghdr* c = CMSG_FIRSTHDR(&header); c != nullptr;
       c = CMSG_NXTHDR(const_cast<msghdr*>(&header), const_cast<cmsghdr*>(c))) {
    if (c->cmsg_level != IPPROTO_IP || c->cmsg_type != IP_PKTINFO) continue;
    in_pktinfo info;
    std::memcpy(&info, CMSG_DATA(c), sizeof info);
    datagram.local = info.ipi_addr.s_addr;
  }
}

msghdr SendHeader(MessageRoom& room, const AddressedDatagram& datagram) {
  room.far = SocketAddress(datagram.to);
  room.piece = {datagram.buffer.data(), static_cast<size_t>(std::max(datagram.length, 0))};
  msghdr header{};
  header.msg_name = &room.far;
  header.msg_namelen = sizeof room.far;
  header.msg_iov = &room.piece;
  header.msg_iovlen = 1;
  if (datagram.local == 0) return header;
  header.msg_control = room.control.data();
  header.msg_controllen = room.control.size();
  cmsghdr* c = CMSG_FIRSTHDR(&header);
  c->cmsg_level = IPPROTO_IP;
  c->cmsg_type = IP_PKTINFO;
  c->cmsg_len = CMSG_LEN(sizeof(in_pktinfo));
  in_pktinfo info{};
  info.ipi_spec_dst.s_addr = datagram.local;
  std::memcpy(CMSG_DATA(c), &info, sizeof info);
  return header;
}

// Has the system hand each datagram for the port `socket` shares to the socket of its
// destination's share, (destination - first) / each in the order the sockets were bound, by a
// classic filter that reads the destination from the IP header. A destination before the first
// or past the last share goes to whichever socket the system picks.
Status SteerByDestination(int socket, uint32_t firstAddress, uint32_t addressesEach) {
  constexpr uint32_t kDestinationOffset = 16;  // in the IPv4 header
  std::array<sock_filter, 4> code = {{
      BPF_STMT(BPF_LD | BPF_W | BPF_ABS, static_cast<uint32_t>(SKF_NET_OFF) + kDestinationOffset),
      BPF_STMT(BPF_ALU | BPF_SUB | BPF_K, ntohl(firstAddress)),
      BPF_STMT(BPF_ALU | BPF_DIV | BPF_K, std::max<uint32_t>(addressesEach, 1)),
      BPF_STMT(BPF_RET | BPF_A, 0),
  }};
  const sock_fprog program{static_cast<unsigned short>(code.size()), code.data()};
  if (::setsockopt(socket, SOL_SOCKET, SO_ATTACH_REUSEPORT_CBPF, &program, sizeof program) != 0)
    return Status::System(errno);
  return Status::Ok;
}

}  // namespace

Status AddressedUdpSocket::Open(uint16_t port, DatagramCalls calls) {
  const int socket = OpenBoundUdp(INADDR_ANY, port);
  return Adopt(socket, errno, calls);
}

Status AddressedUdpSocket::Adopt(int socket, int openError, DatagramCalls calls) {
  handle_.Reset(socket);
  calls_ = calls;
  if (!valid()) return Status::System(openError);
  const int on = 1;
  // Unfragmented datagrams need no IP identification, which the system otherwise draws for each
  // datagram of a socket with no one peer, from a table all sockets share.
  const int unfragmented = IP_PMTUDISC_PROBE;
  if (::setsockopt(handle_.get(), IPPROTO_IP, IP_PKTINFO, &on, sizeof on) != 0 ||
      ::setsockopt(handle_.get(), IPPROTO_IP, IP_MTU_DISCOVER, &unfragmented,
                   sizeof unfragmented) != 0) {
    const int refused = errno;
    Close();
    return Status::System(refused);
  }
  return Status::Ok;
}

Status AddressedUdpSocket::OpenShares(std::span<AddressedUdpSocket> sockets, uint16_t port,
                                      uint32_t firstAddress, uint32_t addressesEach) {
  // Sockets that share a port join the other sockets of the same user sharing it, which would
  // then take their datagrams. So the port is first bound alone, which fails while any socket
  // holds it, and the shares bind it once that lets it go; when another socket took it in
  // between, a port the system chooses is chosen again.
  constexpr int kTries = 16;
  Status status;
  for (int attempt = 0; attempt < kTries; ++attempt) {
    AddressedUdpSocket alone;
    status = alone.Open(port);
    if (status != Status::Ok) return status;
    const uint16_t claimed = alone.LocalPort();
    alone.Close();
    status = BindShares(sockets, claimed, firstAddress, addressesEach);
    if (status == Status::Ok || port != 0 || status.systemError() != EADDRINUSE) break;
  }
  return status;
}

Status AddressedUdpSocket::BindShares(std::span<AddressedUdpSocket> sockets, uint16_t port,
                                      uint32_t firstAddress, uint32_t addressesEach) {
  Status status;
  for (AddressedUdpSocket& share : sockets) {
    const int socket = OpenBoundUdp(INADDR_ANY, port, PortSharing::Shared);
    status = share.Adopt(socket, errno, DatagramCalls::Batched);
    if (status == Status::Ok && &share == &sockets.front())
      status = SteerByDestination(socket, firstAddress, addressesEach);
    if (status != Status::Ok) break;
  }
  if (status != Status::Ok)
    for (AddressedUdpSocket& share : sockets) share.Close();
  return status;
}

uint16_t AddressedUdpSocket::LocalPort() const { return valid() ? LocalPortOf(handle_.get()) : 0; }

void AddressedUdpSocket::SetReceiveBuffer(size_t bytes) {
  const int size = static_cast<int>(std::min<size_t>(bytes, INT_MAX));
  ::setsockopt(handle_.get(), SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
}

size_t AddressedUdpSocket::ReceiveBatch(std::span<AddressedDatagram> datagrams) {
  if (!valid()) return 0;
  if (calls_ == DatagramCalls::OneAtATime) return ReceiveOneAtATime(datagrams);
  std::array<MessageRoom, kBatch> rooms;
  std::array<mmsghdr, kBatch> messages{};
  const size_t count = std::min(datagrams.size(), kBatch);
  for (size_t i = 0; i < count; ++i) messages[i].msg_hdr = ReceiveHeader(rooms[i], datagrams[i]);
  const int taken = ::recvmmsg(handle_.get(), messages.data(), static_cast<unsigned>(count),
                               MSG_DONTWAIT, nullptr);
  if (taken < 0 && errno == ENOSYS) {
    calls_ = DatagramCalls::OneAtATime;
    return ReceiveOneAtATime(datagrams);
  }
  for (int i = 0; i < taken; ++i)
    ReadReceived(messages[i].msg_hdr, messages[i].msg_len, datagrams[static_cast<size_t>(i)]);
  return taken > 0 ? static_cast<size_t>(taken) : 0;
}

size_t AddressedUdpSocket::ReceiveOneAtATime(std::span<AddressedDatagram> datagrams) const {
  size_t taken = 0;
  for (AddressedDatagram& datagram : datagrams) {
    MessageRoom room;
    msghdr header = ReceiveHeader(room, datagram);
    const ssize_t n = ::recvmsg(handle_.get(), &header, MSG_DONTWAIT);
    if (n < 0) break;
    ReadReceived(header, static_cast<size_t>(n), datagram);
    ++taken;
  }
  return taken;
}

void AddressedUdpSocket::SendBatch(std::span<const AddressedDatagram> datagrams) {
  if (!valid()) return;
  std::array<MessageRoom, kBatch> rooms;
  std::array<mmsghdr, kBatch> messages{};
  while (!datagrams.empty() && calls_ == DatagramCalls::Batched) {
    const size_t count = std::min(datagrams.size(), kBatch);
    for (size_t i = 0; i < count; ++i) messages[i].msg_hdr = SendHeader(rooms[i], datagrams[i]);
    const int sent =
        ::sendmmsg(handle_.get(), messages.data(), static_cast<unsigned>(count), MSG_NOSIGNAL);
    if (sent < 0 && errno == ENOSYS) {
      calls_ = DatagramCalls::OneAtATime;
      break;
    }
    // The system stops at a datagram it refuses: that one is dropped and the rest go on.
    datagrams = datagrams.subspan(sent > 0 ? static_cast<size_t>(sent) : 1);
  }
  SendOneAtATime(datagrams);
}

void AddressedUdpSocket::SendOneAtATime(std::span<const AddressedDatagram> datagrams) const {
  for (const AddressedDatagram& datagram : datagrams) {
    MessageRoom room;
    const msghdr header = SendHeader(room, datagram);
    ::sendmsg(handle_.get(), &header, MSG_NOSIGNAL);
  }
}

}  // namespace veltrane::platform
