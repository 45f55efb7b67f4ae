; Volmara's NTFS boot region: sector 0 of the volume and the second stage after it, 3,456 bytes in
; all (six and three-quarter sectors). The format patches the BPB fields of sector 0; every other byte
; here reaches the disk as it is.
;
;   0x000  jump, OEM name and BPB                      0x054  boot code of sector 0
;   0x1FE  55 AA                                       0x200  second stage, run at 0000:7E00
;   0xD7E  signature word of the second stage          0xD80  end of the region
;
; The MBR hands over with DL = BIOS drive. Sector 0 reads sectors 1 to 6 of the volume to 0000:7E00
; (the last sector is only partly ours: the 128 bytes past the region land after the signature and
; are never looked at), checks the signature so that a short or failed read cannot run garbage, and
; jumps into the second stage. The format writes no operating system loader, so the second stage
; only says that the loader is missing and halts.
;   nasm -f bin -o NtfsBootRegion.bin NtfsBootRegion.asm

bits 16
org 0x7C00

REGION_BYTES    equ 3456
STAGE2          equ 0x7E00          ; where sectors 1..6 are read to
STAGE2_SECTORS  equ 6
SIGNATURE       equ 'VN'            ; last word of the region
READ_ATTEMPTS   equ 3

; ---------------------------------------------------------------------------------------------------
; Sector 0
; ---------------------------------------------------------------------------------------------------
    jmp short start
    nop
    db "NTFS    "           ; 0x03 OEM name
    dw 512                  ; 0x0B bytes per sector
    db 0                    ; 0x0D sectors per cluster
    dw 0                    ; 0x0E reserved sectors
    times 3 db 0            ; 0x10 always zero on NTFS
    dw 0                    ; 0x13 always zero on NTFS
    db 0xF8                 ; 0x15 media descriptor
    dw 0                    ; 0x16 always zero on NTFS
sectors_per_track:
    dw 63                   ; 0x18 sectors per track (CHS reads only)
heads:
    dw 255                  ; 0x1A heads (CHS reads only)
hidden_sectors:
    dd 0                    ; 0x1C LBA of the volume's first sector
    dd 0                    ; 0x20 unused
    db 0x80, 0, 0x80, 0     ; 0x24 drive number, unused, extended boot signature, unused
    dq 0                    ; 0x28 total sectors
    dq 0                    ; 0x30 LCN of $MFT
    dq 0                    ; 0x38 LCN of $MFTMirr
    dd 0                    ; 0x40 file record size (clusters, or 2^-n bytes when negative)
    dd 0                    ; 0x44 index record size, same coding
    dq 0                    ; 0x48 volume serial number
    dd 0                    ; 0x50 checksum (not used)

%if ($ - $$) != 0x54
%error "the boot code must start at 0x54, where the jump at 0x00 goes"
%endif

start:
    cli
    xor ax, ax
    mov ds, ax
    mov es, ax
    mov ss, ax
    mov sp, 0x7C00
    sti
    cld
    jmp 0:.flat             ; some BIOSes enter at 07C0:0000
.flat:
    mov [drive], dl

    ; The second stage follows sector 0: LBA = hidden sectors + 1. Kept as 64 bits for the packet.
    mov eax, [hidden_sectors]
    xor edx, edx
    add eax, 1
    adc edx, 0
    mov [packet.lba], eax
    mov [packet.lba + 4], edx

    ; The packet interface when the BIOS has it (INT 13h AH=41h, bit 0 of CX), cylinders otherwise.
    mov ah, 0x41
    mov bx, 0x55AA
    mov dl, [drive]
    int 0x13
    jc read_chs
    cmp bx, 0xAA55
    jne read_chs
    test cl, 1
    jz read_chs

read_lba:
    mov di, READ_ATTEMPTS
.again:
    mov si, packet
    mov ah, 0x42
    mov dl, [drive]
    int 0x13
    jnc loaded
    call reset_disk
    dec di
    jnz .again
    jmp read_error

; One sector at a time, so that no read crosses a track. The geometry comes from the BPB (the MBR
; refreshes it from the BIOS before it hands over).
read_chs:
    mov bx, STAGE2
.sector:
    mov eax, [packet.lba]
    cmp dword [packet.lba + 4], 0
    jne read_error          ; far beyond what cylinders can address
    movzx ecx, word [sectors_per_track]
    jecxz read_error
    xor edx, edx
    div ecx                 ; eax = track, edx = sector - 1
    mov si, dx
    movzx ecx, word [heads]
    jecxz read_error
    xor edx, edx
    div ecx                 ; eax = cylinder, edx = head
    cmp eax, 1023
    ja read_error
    mov ch, al              ; cylinder bits 0-7
    mov cl, ah
    shl cl, 6               ; cylinder bits 8-9 in CL bits 6-7
    mov ax, si
    inc ax
    or cl, al               ; sector, 1-based, in CL bits 0-5
    mov dh, dl
    mov di, READ_ATTEMPTS
.again:
    mov ax, 0x0201
    mov dl, [drive]
    int 0x13
    jnc .next
    call reset_disk
    dec di
    jnz .again
    jmp read_error
.next:
    add bx, 512
    add dword [packet.lba], 1
    adc dword [packet.lba + 4], 0
    cmp bx, STAGE2 + STAGE2_SECTORS * 512
    jb .sector

loaded:
    cmp word [signature], SIGNATURE
    jne read_error
    jmp stage2

read_error:
    mov si, msg_read_error
    ; falls through

; Prints the line at SI, then the restart line, and stops. Also the second stage's way out.
fatal:
    call print
    mov si, msg_restart
    call print
halt:
    cli
    hlt
    jmp halt

; Prints the zero-terminated text at SI on the screen (teletype output).
print:
    pusha
.next:
    lodsb
    test al, al
    jz .done
    mov ah, 0x0E
    mov bx, 0x0007
    int 0x10
    jmp .next
.done:
    popa
    ret

; Resets the drive before the next attempt; keeps every register but the flags.
reset_disk:
    pusha
    xor ah, ah
    mov dl, [drive]
    int 0x13
    popa
    ret

drive:
    db 0x80

packet:                     ; INT 13h AH=42h disk address packet
    db 0x10, 0              ; size, reserved
    dw STAGE2_SECTORS       ; sectors
    dw STAGE2, 0            ; offset, segment
.lba:
    dq 0

msg_read_error:
    db "A disk read error occurred", 13, 10, 0
msg_restart:
    db "Press Ctrl+Alt+Del to restart", 13, 10, 0

%if ($ - $$) > 510
%error "sector 0 is full: the boot code runs into the 55 AA signature"
%endif
    times 510 - ($ - $$) db 0
    dw 0xAA55

; ---------------------------------------------------------------------------------------------------
; Second stage: sectors 1 to 6, run at 0000:7E00 with the segments and DL as sector 0 left them.
; ---------------------------------------------------------------------------------------------------
stage2:
    mov si, [messages.missing]
    jmp fatal

; The region's messages. The loader is never present on a volume this format made, so only the
; first is shown; the second belongs to a loader stored compressed.
messages:
.missing:
    dw msg_missing
.compressed:
    dw msg_compressed

msg_missing:
    db "NTLDR is missing", 13, 10, 0
msg_compressed:
    db "NTLDR is compressed", 13, 10, 0

%if ($ - $$) > REGION_BYTES - 2
%error "the second stage is larger than the boot region"
%endif
    times REGION_BYTES - 2 - ($ - $$) db 0
signature:
    dw SIGNATURE
