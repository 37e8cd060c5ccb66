/* A scripted client of the keeper's service, as an attacker or a test would write one:
 *   keeper_client run SOCKET FOLDER    a demonstration run answering at once; prints its seconds,
 *                                      and the reply a second session got meanwhile
 *   keeper_client hand KEEPER FOLDER   starts the keeper by hand, as systemd would hand it a
 *                                      connection, and prints its reply to an exam's first request
 * Built and run by package-test.sh. */
#define _GNU_SOURCE
#include <fcntl.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

static int send_request(int fd, const char *verb, const char *field, int passed)
{
    unsigned char message[512];
    size_t at = 8;
    const char *fields[2] = {verb, field};
    for (int i = 0; i < 2 && fields[i]; ++i) {
        const uint32_t n = (uint32_t)strlen(fields[i]);
        message[at] = n >> 24, message[at + 1] = n >> 16, message[at + 2] = n >> 8,
        message[at + 3] = n;
        memcpy(message + at + 4, fields[i], n);
        at += 4 + n;
    }
    const uint32_t payload = (uint32_t)(at - 8);
    memmove(message + 4, message + 8, payload);
    message[0] = payload >> 24, message[1] = payload >> 16, message[2] = payload >> 8,
    message[3] = payload;
    struct iovec part = {message, 4 + payload};
    char control[CMSG_SPACE(sizeof(int))] = {0};
    struct msghdr header = {.msg_iov = &part, .msg_iovlen = 1};
    if (passed >= 0) {
        header.msg_control = control;
        header.msg_controllen = sizeof control;
        struct cmsghdr *c = CMSG_FIRSTHDR(&header);
        c->cmsg_level = SOL_SOCKET;
        c->cmsg_type = SCM_RIGHTS;
        c->cmsg_len = CMSG_LEN(sizeof(int));
        memcpy(CMSG_DATA(c), &passed, sizeof passed);
    }
    return sendmsg(fd, &header, MSG_NOSIGNAL) == (ssize_t)(4 + payload) ? 0 : -1;
}

static int read_all(int fd, unsigned char *into, size_t size)
{
    for (size_t got = 0; got < size;) {
        const ssize_t n = read(fd, into + got, size - got);
        if (n <= 0)
            return -1;
        got += (size_t)n;
    }
    return 0;
}

/* The reply's verb and, for COUNTED and ERROR, its second field, as "VERB FIELD". */
static int reply(int fd, char *verb, size_t size)
{
    unsigned char head[4];
    if (read_all(fd, head, 4) != 0)
        return -1;
    const uint32_t n = (uint32_t)head[0] << 24 | head[1] << 16 | head[2] << 8 | head[3];
    unsigned char *payload = malloc(n + 1);
    if (!payload || read_all(fd, payload, n) != 0)
        return -1;
    const uint32_t first = (uint32_t)payload[0] << 24 | payload[1] << 16 | payload[2] << 8 |
                           payload[3];
    snprintf(verb, size, "%.*s", (int)first, payload + 4);
    if (8 + first <= n) {
        const unsigned char *second = payload + 4 + first;
        const uint32_t m = (uint32_t)second[0] << 24 | second[1] << 16 | second[2] << 8 | second[3];
        if (8 + first + m <= n)
            snprintf(verb + strlen(verb), size - strlen(verb), " %.*s", (int)m, second + 4);
    }
    free(payload);
    return 0;
}

static int connect_to(const char *path)
{
    struct sockaddr_un address = {.sun_family = AF_UNIX};
    snprintf(address.sun_path, sizeof address.sun_path, "%s", path);
    const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    if (fd < 0 || connect(fd, (struct sockaddr *)&address, sizeof address) != 0) {
        perror(path);
        exit(1);
    }
    return fd;
}

int main(int argc, char **argv)
{
    if (argc != 4)
        return 2;
    const int folder = open(argv[3], O_PATH | O_DIRECTORY);
    char verb[256];
    if (strcmp(argv[1], "hand") == 0) {
        int pair[2];
        socketpair(AF_UNIX, SOCK_STREAM, 0, pair);
        const pid_t pid = fork();
        if (pid == 0) {
            char listen_pid[32];
            snprintf(listen_pid, sizeof listen_pid, "LISTEN_PID=%d", getpid());
            char *environment[] = {"LISTEN_FDS=1", listen_pid, NULL};
            dup2(pair[1], 3);
            execle(argv[2], argv[2], argv[3], (char *)NULL, environment);
            _exit(127);
        }
        close(pair[1]);
        if (send_request(pair[0], "OPEN", "exam", folder) != 0 || reply(pair[0], verb, sizeof verb))
            strcpy(verb, "(closed)");
        printf("hand: %s\n", verb);
        close(pair[0]);
        waitpid(pid, NULL, 0);
        return 0;
    }
    struct timespec start, end;
    clock_gettime(CLOCK_MONOTONIC, &start);
    const int fd = connect_to(argv[2]);
    if (send_request(fd, "OPEN", "demo", folder) != 0 || reply(fd, verb, sizeof verb) != 0)
        return 1;
    printf("open: %s\n", verb);
    const int second = connect_to(argv[2]);
    if (send_request(second, "OPEN", "demo", folder) != 0 || reply(second, verb, sizeof verb))
        strcpy(verb, "(closed)");
    printf("second: %s\n", verb);
    close(second);
    for (int n = 1; n <= 40; ++n) {
        if (send_request(fd, "QUESTION", NULL, -1) != 0 || reply(fd, verb, sizeof verb) != 0)
            return 1;
        if (send_request(fd, "ANSWER", "1", -1) != 0 || reply(fd, verb, sizeof verb) != 0)
            return 1;
    }
    clock_gettime(CLOCK_MONOTONIC, &end);
    printf("last: %s\nseconds: %.1f\n", verb,
           (double)(end.tv_sec - start.tv_sec) + (double)(end.tv_nsec - start.tv_nsec) / 1e9);
    return 0;
}
