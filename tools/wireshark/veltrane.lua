-- SPDX-License-Identifier: MIT
-- Wireshark dissector for Veltrane LED screens over UDP (port 6666 by default).
--
-- Each datagram carries link frames: 0x55, the escaped body and its escaped CRC-16/MODBUS (high
-- byte first), 0xAA; inside a frame 0x55, 0xAA and 0xBB travel as 0xBB and the byte plus one.
-- The body is a packet: an 8-byte header (cmd u16, reserved u8, devAddr u8, value u32, all
-- little-endian), a reply's answered cmd and status, the clock's time block, or an upload piece.
-- An upload's pieces are joined again and the program is summarised on its end packet.
-- Each reply is linked to the request it answers (and the request to its reply) with the time it
-- took; a request sent again because no reply came is marked as a retry of the first one. A
-- request's reply is known once the whole capture was read: Wireshark shows it, tshark with -2.
--
-- Use:  wireshark -X lua_script:tools/wireshark/veltrane.lua
--       tshark -r capture.pcap -X lua_script:tools/wireshark/veltrane.lua -Y veltrane
-- or copy the file into Wireshark's personal plugin folder.

local veltrane = Proto("veltrane", "Veltrane LED screen link")

-- The same values as the library's wire constants.
local FRAME_START, FRAME_END, FRAME_ESCAPE = 0x55, 0xAA, 0xBB
local MAX_FRAME_SIZE = 1046 -- the largest frame there is, and the receive buffer of every side
local HEADER_BYTES, REPLY_BYTES, TIME_BLOCK_BYTES = 8, 12, 16
local PIECE_BYTES = 512
local MAX_PROGRAM_BYTES = 0x200000

local CMD = {
  UPLOAD_START = 0, UPLOAD_END = 1, UPLOAD_DATA = 2, REPLY = 3, SET_TIME = 6,
  GET_POWER = 9, SET_POWER = 10, GET_BRIGHT = 11, SET_BRIGHT = 12, RESET = 99,
}
-- Packets are named as the command's -v and the simulator's log name them.
local cmd_names = {
  [0] = "upload-start", [1] = "upload-end", [2] = "upload-data", [3] = "reply",
  [6] = "set-time", [9] = "get-power", [10] = "set-power", [11] = "get-bright",
  [12] = "set-bright", [99] = "reset",
}

local function packet_name(cmd)
  return cmd_names[cmd] or ("command " .. cmd)
end
local status_names = { [0] = "refused", [1] = "acknowledged" }
local area_names = { [0x31] = "window", [0x32] = "date-time", [0x33] = "string", [0x60] = "clock" }
local weekdays = { [0] = "Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat" }

local f = {
  crc = ProtoField.uint16("veltrane.crc", "CRC-16/MODBUS", base.HEX),
  crc_good = ProtoField.bool("veltrane.crc.good", "CRC good"),
  escapes = ProtoField.uint16("veltrane.escapes", "Escaped bytes", base.DEC),
  cmd = ProtoField.uint16("veltrane.cmd", "Command", base.DEC, cmd_names),
  reserved = ProtoField.uint8("veltrane.reserved", "Reserved", base.HEX),
  devaddr = ProtoField.uint8("veltrane.devaddr", "Screen address", base.DEC),
  value = ProtoField.uint32("veltrane.value", "Value", base.DEC),
  answered = ProtoField.uint16("veltrane.answered_cmd", "Answers", base.DEC, cmd_names),
  status = ProtoField.uint16("veltrane.status", "Status", base.DEC, status_names),
  ack = ProtoField.bool("veltrane.ack", "Upload acknowledgement"),
  time = ProtoField.string("veltrane.time", "Clock set to"),
  seq = ProtoField.uint32("veltrane.upload.seq", "Upload sequence", base.DEC),
  piece = ProtoField.uint32("veltrane.upload.piece", "Piece", base.DEC),
  offset = ProtoField.uint32("veltrane.upload.offset", "Program offset", base.DEC),
  piece_len = ProtoField.uint16("veltrane.upload.piece_len", "Piece length", base.DEC),
  pieces = ProtoField.uint32("veltrane.upload.pieces", "Pieces", base.DEC),
  data = ProtoField.bytes("veltrane.upload.data", "Program bytes"),
  program = ProtoField.none("veltrane.program", "Program"),
  root_type = ProtoField.uint16("veltrane.program.root_type", "Root type", base.DEC),
  page_count = ProtoField.uint16("veltrane.program.pages", "Pages", base.DEC),
  length = ProtoField.uint32("veltrane.program.length", "Program length", base.DEC),
  color_mode = ProtoField.uint16("veltrane.program.color_mode", "Colour mode", base.DEC),
  page = ProtoField.none("veltrane.page", "Page"),
  page_items = ProtoField.uint16("veltrane.page.items", "Areas", base.DEC),
  page_length = ProtoField.uint32("veltrane.page.length", "Page length", base.DEC),
  area = ProtoField.string("veltrane.area", "Area"),
  request_in = ProtoField.framenum("veltrane.request_in", "Request in", base.NONE,
    frametype.REQUEST),
  response_in = ProtoField.framenum("veltrane.response_in", "Response in", base.NONE,
    frametype.RESPONSE),
  response_time = ProtoField.relative_time("veltrane.response_time", "Response time"),
  retry = ProtoField.bool("veltrane.retry", "Retry"),
  retry_of = ProtoField.framenum("veltrane.retry_of", "Retry of", base.NONE,
    frametype.RETRANS_PREV),
  try = ProtoField.uint8("veltrane.try", "Try", base.DEC),
}
veltrane.fields = {}
for _, field in pairs(f) do table.insert(veltrane.fields, field) end

local e = {
  bad_crc = ProtoExpert.new("veltrane.crc.bad", "CRC mismatch", expert.group.CHECKSUM,
    expert.severity.ERROR),
  unusable = ProtoExpert.new("veltrane.frame.unusable", "Not a usable frame",
    expert.group.MALFORMED, expert.severity.ERROR),
  short = ProtoExpert.new("veltrane.short", "Packet too short for its command",
    expert.group.MALFORMED, expert.severity.WARN),
  incomplete = ProtoExpert.new("veltrane.program.incomplete", "Upload misses pieces",
    expert.group.REASSEMBLE, expert.severity.WARN),
  retry = ProtoExpert.new("veltrane.retry.expert", "Request sent again: no reply came",
    expert.group.SEQUENCE, expert.severity.NOTE),
  unanswered = ProtoExpert.new("veltrane.unanswered", "No reply to this request in the capture",
    expert.group.SEQUENCE, expert.severity.NOTE),
  unmatched = ProtoExpert.new("veltrane.reply.unmatched", "Reply to no request in the capture",
    expert.group.SEQUENCE, expert.severity.WARN),
  repeated = ProtoExpert.new("veltrane.reply.repeated", "Another reply to an answered request",
    expert.group.SEQUENCE, expert.severity.NOTE),
}
veltrane.experts = { e.bad_crc, e.unusable, e.short, e.incomplete, e.retry, e.unanswered,
  e.unmatched, e.repeated }

veltrane.prefs.port = Pref.uint("UDP port", 6666, "The UDP port screens listen on")

local function crc16(bytes, count)
  local crc = 0xFFFF
  for i = 1, count do
    crc = bit32.bxor(crc, bytes[i])
    for _ = 1, 8 do
      if bit32.band(crc, 1) ~= 0 then
        crc = bit32.bxor(bit32.rshift(crc, 1), 0xA001)
      else
        crc = bit32.rshift(crc, 1)
      end
    end
  end
  return crc
end

-- Unescapes the frame at [first, last] of `tvb` (first is 0x55, last 0xAA) as a screen does: any
-- byte after 0xBB is taken minus one, and output stops at MAX_FRAME_SIZE bytes.
local function unescape(tvb, first, last)
  local out, escapes, at = {}, 0, first + 1
  while at < last and #out < MAX_FRAME_SIZE do
    local byte = tvb(at, 1):uint()
    if byte == FRAME_ESCAPE then
      out[#out + 1] = (tvb(at + 1, 1):uint() - 1) % 256
      escapes = escapes + 1
      at = at + 2
    else
      out[#out + 1] = byte
      at = at + 1
    end
  end
  return out, escapes
end

local function to_tvb(bytes, count, name)
  local array = ByteArray.new()
  array:set_size(count)
  for i = 1, count do array:set_index(i - 1, bytes[i]) end
  return array:tvb(name)
end

-- Upload pieces by conversation while a capture is read first, and each end packet's program.
local uploads = {}
local programs = {}

local function conversation(pinfo)
  return tostring(pinfo.src) .. ":" .. pinfo.src_port .. ">" .. tostring(pinfo.dst) .. ":" ..
      pinfo.dst_port
end

-- Requests and replies, found while a capture is read first and kept by packet (a datagram's
-- number and the frame's place in it): for each request its first try, its try number, its time
-- and its reply; for each reply the request it answers.
local pending = {}  -- by conversation (host to screen): the request last sent
local requests = {}
local replies = {}

function veltrane.init()
  uploads, programs, pending, requests, replies = {}, {}, {}, {}, {}
end

-- A reply's conversation is its request's: the other way round.
local function reverse_conversation(pinfo)
  return tostring(pinfo.dst) .. ":" .. pinfo.dst_port .. ">" .. tostring(pinfo.src) .. ":" ..
      pinfo.src_port
end

local function is_upload(cmd)
  return cmd == CMD.UPLOAD_START or cmd == CMD.UPLOAD_DATA or cmd == CMD.UPLOAD_END
end

-- A request is tried again, unchanged, when no reply came: the same command to the same screen
-- with the same value (for an upload packet, its sequence number) while the last one waits.
local function note_request(pinfo, key, cmd, devaddr, value)
  local conv = conversation(pinfo)
  local last = pending[conv]
  local request = { frame = pinfo.number, time = pinfo.abs_ts, cmd = cmd, devaddr = devaddr,
    value = value, first = pinfo.number, try = 1 }
  if last and not last.reply and last.cmd == cmd and last.devaddr == devaddr and
      last.value == value then
    request.first, request.try = last.first, last.try + 1
  end
  requests[key] = request
  pending[conv] = request
end

-- The request a reply answers: the one last sent in its conversation, if the reply names its
-- command (and, for an upload packet, its sequence number).
local function note_reply(pinfo, key, answered, value)
  local request = pending[reverse_conversation(pinfo)]
  if not request or request.cmd ~= answered or (is_upload(answered) and request.value ~= value) then
    replies[key] = {}
    return
  end
  replies[key] = { request = request, repeated = request.reply ~= nil }
  request.reply = request.reply or { frame = pinfo.number, time = pinfo.abs_ts }
end

local function link_request(pinfo, key, cmd, devaddr, value, tree)
  if not pinfo.visited then note_request(pinfo, key, cmd, devaddr, value) end
  local request = requests[key]
  if not request then return "" end
  if request.reply then
    tree:add(f.response_in, request.reply.frame):set_generated()
  elseif pinfo.visited then
    tree:add_proto_expert_info(e.unanswered)
  end
  if request.try == 1 then return "" end
  tree:add(f.retry, true):set_generated()
  tree:add(f.retry_of, request.first):set_generated()
  tree:add(f.try, request.try):set_generated()
  tree:add_proto_expert_info(e.retry)
  return string.format(" (try %d, retry of %d)", request.try, request.first)
end

local function link_reply(pinfo, key, answered, value, tree)
  if not pinfo.visited then note_reply(pinfo, key, answered, value) end
  local reply = replies[key]
  if not reply then return end
  if not reply.request then
    tree:add_proto_expert_info(e.unmatched)
    return
  end
  tree:add(f.request_in, reply.request.frame):set_generated()
  local elapsed = pinfo.abs_ts - reply.request.time
  local seconds = math.floor(elapsed)
  tree:add(f.response_time, NSTime(seconds, math.floor((elapsed - seconds) * 1e9 + 0.5)))
      :set_generated()
  if reply.repeated then tree:add_proto_expert_info(e.repeated) end
end

local function remember_piece(pinfo, seq, piece)
  if pinfo.visited then return end
  local upload = uploads[conversation(pinfo)]
  if upload then upload[seq] = piece:raw() end
end

-- The program the end packet with sequence `last` closes, as a string; nil when pieces are
-- missing (the capture started late, or lost some).
local function join_program(pinfo, last)
  if pinfo.visited then return programs[pinfo.number] end
  local upload = uploads[conversation(pinfo)]
  if not upload or last < 2 or last - 1 > MAX_PROGRAM_BYTES / PIECE_BYTES then return nil end
  local parts = {}
  for seq = 1, last - 1 do
    if not upload[seq] then return nil end
    parts[#parts + 1] = upload[seq]
  end
  uploads[conversation(pinfo)] = nil
  local program = table.concat(parts)
  if #program > MAX_PROGRAM_BYTES then return nil end
  programs[pinfo.number] = program
  return program
end

local function describe_area(tvb, at)
  local tag = tvb(at, 2):le_uint()
  local rect = string.format("(%d, %d, %d, %d)", tvb(at + 8, 2):le_uint(),
    tvb(at + 10, 2):le_uint(), tvb(at + 12, 2):le_uint(), tvb(at + 14, 2):le_uint())
  return (area_names[tag] or string.format("tag 0x%02x", tag)) .. " " .. rect
end

-- The root record, then every page with its areas; the walk stops where a length leads out of the
-- program.
local function summarise_program(program, tree)
  local tvb = ByteArray.new(program, true):tvb("Program")
  local size = tvb:len()
  local node = tree:add(f.program, tvb())
  if size < 12 then return node end
  node:add_le(f.root_type, tvb(0, 2))
  node:add_le(f.page_count, tvb(2, 2))
  node:add_le(f.length, tvb(4, 4))
  node:add_le(f.color_mode, tvb(8, 2))
  local pages = tvb(2, 2):le_uint()
  node:append_text(string.format(": %d bytes, %d page%s", size, pages, pages == 1 and "" or "s"))
  local at = 12
  for index = 1, pages do
    if at + 16 > size then break end
    local page_length = tvb(at + 12, 4):le_uint()
    if page_length < 16 or at + page_length > size then break end
    local page = node:add(f.page, tvb(at, page_length))
    page:append_text(" " .. index)
    local items = tvb(at + 2, 2):le_uint()
    page:add_le(f.page_items, tvb(at + 2, 2))
    page:add_le(f.page_length, tvb(at + 12, 4))
    local area_at = at + 16
    for _ = 1, items do
      if area_at + 16 > at + page_length then break end
      local record_length = tvb(area_at + 4, 4):le_uint()
      if record_length < 16 or area_at + record_length > at + page_length then break end
      page:add(f.area, tvb(area_at, record_length), describe_area(tvb, area_at))
      area_at = area_at + record_length
    end
    at = at + page_length
  end
  return node
end

local function dissect_time(body, tree)
  if body:len() < HEADER_BYTES + TIME_BLOCK_BYTES then
    tree:add_proto_expert_info(e.short)
    return ""
  end
  local v = {}
  for i = 0, 7 do v[i] = body(HEADER_BYTES + 2 * i, 2):le_uint() end
  local text = string.format("%04d-%02d-%02d %02d:%02d:%02d.%03d (%s)", v[0], v[1], v[3], v[4],
    v[5], v[6], v[7], weekdays[v[2]] or "?")
  tree:add(f.time, body(HEADER_BYTES, TIME_BLOCK_BYTES), text)
  return " " .. text
end

local function dissect_reply(body, tree, pinfo, key)
  local info = ""
  tree:add_le(f.value, body(4, 4))
  if body:len() >= 10 then
    local answered = body(8, 2):le_uint()
    tree:add_le(f.answered, body(8, 2))
    link_reply(pinfo, key, answered, body(4, 4):le_uint(), tree)
    info = " to " .. packet_name(answered)
    if body:len() >= REPLY_BYTES then
      local status = body(10, 2):le_uint()
      tree:add_le(f.status, body(10, 2))
      if is_upload(answered) then
        tree:add(f.ack, body(10, 2), status == 1)
        info = (status == 1 and "ack" or "refusal") .. info .. " seq " .. body(4, 4):le_uint()
        return info
      end
    end
  else
    tree:add_proto_expert_info(e.short)
  end
  return "reply" .. info .. ", value " .. body(4, 4):le_uint()
end

local function dissect_upload(cmd, body, tree, pinfo)
  local seq = body(4, 4):le_uint()
  tree:add_le(f.seq, body(4, 4))
  if cmd == CMD.UPLOAD_START then
    if not pinfo.visited then uploads[conversation(pinfo)] = {} end
    return "upload-start seq " .. seq
  end
  if cmd == CMD.UPLOAD_DATA then
    local piece = body(HEADER_BYTES)
    tree:add(f.piece, body(4, 4), seq)
    tree:add(f.offset, body(4, 4), (seq - 1) * PIECE_BYTES)
    tree:add(f.piece_len, piece, piece:len())
    tree:add(f.data, piece)
    remember_piece(pinfo, seq, piece)
    return string.format("upload-data seq %d (%d bytes at %d)", seq, piece:len(),
      (seq - 1) * PIECE_BYTES)
  end
  tree:add(f.pieces, body(4, 4), seq > 0 and seq - 1 or 0)
  local program = join_program(pinfo, seq)
  if not program then
    tree:add_proto_expert_info(e.incomplete)
    return "upload-end seq " .. seq
  end
  summarise_program(program, tree)
  return string.format("upload-end seq %d: program of %d bytes", seq, #program)
end

-- One packet body: the header, then what its command carries. `key` names the packet among
-- the capture's.
local function dissect_packet(body, tree, pinfo, key)
  tree:add_le(f.cmd, body(0, 2))
  tree:add(f.reserved, body(2, 1))
  tree:add(f.devaddr, body(3, 1))
  local cmd = body(0, 2):le_uint()
  if cmd == CMD.REPLY then return dissect_reply(body, tree, pinfo, key) end
  local retry = link_request(pinfo, key, cmd, body(3, 1):uint(), body(4, 4):le_uint(), tree)
  if is_upload(cmd) then return dissect_upload(cmd, body, tree, pinfo) .. retry end
  tree:add_le(f.value, body(4, 4))
  local info = packet_name(cmd) .. ", screen " .. body(3, 1):uint()
  if cmd == CMD.SET_POWER or cmd == CMD.SET_BRIGHT then
    info = info .. ", value " .. body(4, 4):le_uint()
  elseif cmd == CMD.SET_TIME then
    info = info .. dissect_time(body, tree)
  end
  return info .. retry
end

-- The frame at [first, last], the datagram's `index`th; returns the summary for the Info column.
local function dissect_frame(tvb, first, last, pinfo, tree, index)
  local node = tree:add(veltrane, tvb(first, last - first + 1))
  local bytes, escapes = unescape(tvb, first, last)
  local count = #bytes
  node:add(f.escapes, tvb(first, last - first + 1), escapes)
  if count < 3 then
    node:add_proto_expert_info(e.unusable)
    return "Unusable frame"
  end
  local crc = crc16(bytes, count - 2)
  local good = bytes[count - 1] == bit32.rshift(crc, 8) and bytes[count] == bit32.band(crc, 0xFF)
  local body = to_tvb(bytes, count - 2, "Packet")
  node:add(f.crc, tvb(last - 2, 2), bytes[count - 1] * 256 + bytes[count])
  node:add(f.crc_good, tvb(last - 2, 2), good)
  if not good then
    node:add_proto_expert_info(e.bad_crc)
    return "Frame with a bad CRC"
  end
  if body:len() < HEADER_BYTES then
    node:add_proto_expert_info(e.short)
    return "Short packet"
  end
  return dissect_packet(body, node, pinfo, pinfo.number .. "." .. index)
end

function veltrane.dissector(tvb, pinfo, tree)
  local size = tvb:len()
  local summaries = {}
  local at = 0
  while at < size do
    while at < size and tvb(at, 1):uint() ~= FRAME_START do at = at + 1 end
    local last = at + 1
    while last < size and tvb(last, 1):uint() ~= FRAME_END do last = last + 1 end
    if last >= size then break end
    summaries[#summaries + 1] = dissect_frame(tvb, at, last, pinfo, tree, #summaries + 1)
    at = last + 1
  end
  if #summaries == 0 then return 0 end
  pinfo.cols.protocol = "Veltrane"
  pinfo.cols.info = table.concat(summaries, "; ")
  return size
end

local registered_port = veltrane.prefs.port
DissectorTable.get("udp.port"):add(registered_port, veltrane)

function veltrane.prefs_changed()
  if registered_port == veltrane.prefs.port then return end
  DissectorTable.get("udp.port"):remove(registered_port, veltrane)
  registered_port = veltrane.prefs.port
  DissectorTable.get("udp.port"):add(registered_port, veltrane)
end
